#include "models/CatalogHelper.h"

#include "core/Exception.h"
#include "core/TarnolixEvents.h"
#include "database/TarnolixDB.h"
#include "models/GlossaryTreeMngr.h"
#include "pages/PageServices.h"

#include <QCoreApplication>

CatalogHelper::CatalogHelper(QObject* parent)
    : QObject(parent)
{
    if (TarnolixEvents* events = TarnolixEvents::current())
        connect(events, &TarnolixEvents::booksBaseChanged, this, &CatalogHelper::booksBaseChangedSlot);
    // After the manager has dropped its tree, so that the reload reads the new one.
    if (GlossaryTreeMngr* glossaries = GlossaryTreeMngr::current())
        connect(glossaries, &GlossaryTreeMngr::glossaryTreeChanged, this, &CatalogHelper::glossaryTreeChanged);
}

CatalogHelper::~CatalogHelper() = default;

void CatalogHelper::setLanguage(TarnolixConstants::Language language)
{
    if (m_language == language)
        return;
    m_language = language;
    emit languageChanged();
    reload();
}

void CatalogHelper::booksBaseChangedSlot(TarnolixConstants::Language language)
{
    if (language != m_language)
        return;
    reload();
    emit bookBaseChanged();
}

void CatalogHelper::reload()
{
    try {
        if (m_language == TarnolixConstants::InvalidLanguage)
            throw Exception(QCoreApplication::translate("CatalogHelper", "Неизвестный язык"));
        const int count = pageServices().guiDatabase().selectBooksCount(m_language);
        if (count != m_bookCount) {
            m_bookCount = count;
            emit bookCountChanged();
        }
    } catch (const std::exception& e) {
        qWarning("Reload catalog error: %s", e.what());
        const QString message = QString::fromUtf8(e.what());
        if (PageServices* services = PageServices::current())
            services->showError(
                QCoreApplication::translate("CatalogHelper", "Не удалось обновить каталог: %1").arg(message));
    }
}
