#pragma once
// The application object's side of ModelServices: the models' workers reach
// the second thread, its connection and the reader's notices through it. The
// application object installs one for its whole life.

#include "models/ModelServices.h"

class Tarnolix;

class AppModelServices final : public ModelServices
{
public:
    explicit AppModelServices(Tarnolix& app);

    QThread* secondThread() override;
    std::shared_ptr<TarnolixDB> secondThreadDatabase() override;
    // Null until the favorites service exists.
    FavoritesFilter* favoritesFilter() override;
    void postShowError(const QString& message) override;
    void postShowError(const QString& title, const QString& message) override;

private:
    Tarnolix& m_app;
};
