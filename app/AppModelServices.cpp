#include "app/AppModelServices.h"

#include "app/SecondThread.h"
#include "app/Tarnolix.h"

AppModelServices::AppModelServices(Tarnolix& app)
    : m_app(app)
{
}

QThread* AppModelServices::secondThread()
{
    SecondThread* second = m_app.secondThread();
    return second ? second->workerThread() : nullptr;
}

std::shared_ptr<TarnolixDB> AppModelServices::secondThreadDatabase()
{
    SecondThread* second = m_app.secondThread();
    return second ? second->database() : nullptr;
}

FavoritesFilter* AppModelServices::favoritesFilter()
{
    return nullptr;
}

void AppModelServices::postShowError(const QString& message)
{
    m_app.postShowError(message);
}

void AppModelServices::postShowError(const QString& title, const QString& message)
{
    m_app.postShowErrorWithTitle(title, message);
}
