#pragma once
// The application object's side of PageServices: the page code reaches the
// GUI thread's connection and the reader's error notice through it. The
// application object installs one for its whole life.

#include "pages/PageServices.h"

class Tarnolix;

class AppPageServices final : public PageServices
{
public:
    explicit AppPageServices(Tarnolix& app);

    TarnolixDB& guiDatabase() override;
    void showError(const QString& message) override;
    void postShowError(const QString& message) override;
    void showMessage(const QString& message) override;
    // The glossary tree manager's, read on first use; null when the library
    // has no readable glossary tree.
    std::shared_ptr<const GlossaryContainer> glossaryContainer() override;
    std::shared_ptr<const HTMLCreator> htmlCreator() override;

private:
    Tarnolix& m_app;
};
