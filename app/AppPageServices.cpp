#include "app/AppPageServices.h"

#include "app/Tarnolix.h"
#include "core/Exception.h"
#include "core/GlossaryContainer.h"
#include "models/GlossaryTreeMngr.h"

AppPageServices::AppPageServices(Tarnolix& app)
    : m_app(app)
{
}

TarnolixDB& AppPageServices::guiDatabase()
{
    const auto& db = m_app.guiDatabase();
    if (!db)
        throw Exception("The account library is not open");
    return *db;
}

void AppPageServices::showError(const QString& message)
{
    m_app.showError(message);
}

void AppPageServices::postShowError(const QString& message)
{
    m_app.postShowError(message);
}

void AppPageServices::showMessage(const QString& message)
{
    m_app.showMessage(message);
}

std::shared_ptr<const GlossaryContainer> AppPageServices::glossaryContainer()
{
    GlossaryTreeMngr* manager = GlossaryTreeMngr::current();
    if (!manager)
        return nullptr;
    std::shared_ptr<const GlossaryContainer> container;
    try {
        manager->glossaryContainer(nullptr, &container);
    } catch (const std::exception& e) {
        // No glossaries installed yet, or none readable: the page finds none.
        qWarning("AppPageServices::glossaryContainer: %s", e.what());
    }
    return container;
}

std::shared_ptr<const HTMLCreator> AppPageServices::htmlCreator()
{
    return m_app.htmlCreator();
}
