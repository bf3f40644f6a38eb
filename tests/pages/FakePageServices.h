#pragma once
// PageServices for tests: a library connection, a glossary tree and a page
// generator of the test's own, and the error and other notices collected. Installed while it lives.

#include "core/Exception.h"
#include "core/GlossaryContainer.h"
#include "database/TarnolixDB.h"
#include "pages/HTMLCreator.h"
#include "pages/PageServices.h"

#include <QStringList>

#include <memory>

namespace tarnolix::test {

class FakePageServices final : public PageServices
{
public:
    FakePageServices() { PageServices::setCurrent(this); }

    TarnolixDB& guiDatabase() override
    {
        if (!db)
            throw Exception("The account library is not open");
        return *db;
    }
    void showError(const QString& message) override { errors << message; }
    void showMessage(const QString& message) override { messages << message; }
    std::shared_ptr<const GlossaryContainer> glossaryContainer() override { return glossaries; }
    std::shared_ptr<const HTMLCreator> htmlCreator() override { return creator; }

    std::shared_ptr<TarnolixDB> db;
    std::shared_ptr<const GlossaryContainer> glossaries;
    std::shared_ptr<const HTMLCreator> creator;
    QStringList errors;
    QStringList messages;
};

} // namespace tarnolix::test
