#pragma once
// The application object's side of ModelServices: the models' workers reach
// the second thread, its connection and the reader's notices through it. The
// application object installs one for its whole life.

#include "models/ModelServices.h"
#include "models/SearchPageAccess.h"

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
    // The favorites service's folder filter, looked up on each call.
    class HelperFilter final : public FavoritesFilter
    {
    public:
        explicit HelperFilter(Tarnolix& app) : m_app(app) {}
        void search(const QString& text) override;
        void resetSearch() override;

    private:
        Tarnolix& m_app;
    };

    Tarnolix& m_app;
    HelperFilter m_filter{m_app};
};

// What the search result models read of the tabs' search page kinds: their
// results and hidden-hits mask. Installed as the models' resolver for the
// application object's life; without it the result trees stay empty.
std::unique_ptr<SearchPageAccess> searchPageStatusAccess(QObject* object);
