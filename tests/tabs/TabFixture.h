#pragma once
// A tab of the real application, with the small library of the addressing
// tests as the GUI thread's library (for slug URLs) and stand-in search
// families (so that search URLs parse). The application's own page services
// come back after each test.

#include "pages/PageServices.h"
#include "tabs/TabStatus.h"
#include "tests/pages/BookLibraryFixture.h"
#include "tests/tabs/TabFakes.h"

#include <QUrl>

#include <memory>

namespace tarnolix::test {

class TabFixture : public BookLibraryFixture
{
protected:
    // Before any fixture of the suite replaces them.
    static void SetUpTestSuite() { appPageServices() = PageServices::current(); }

    void SetUp() override
    {
        BookLibraryFixture::SetUp();
        registerFakeSearchFamilies();
        tab = std::make_unique<TabStatus>();
        tab->setTabItem(&item);
    }

    void TearDown() override
    {
        tab.reset();
        withdrawSearchFamilies();
        PageServices::setCurrent(appPageServices());
    }

    static PageServices*& appPageServices()
    {
        static PageServices* services = nullptr;
        return services;
    }

    // `url` with "%1" filled by the tab's id.
    QUrl tabUrl(const char* url) const { return QUrl(QString::fromUtf8(url).arg(tab->id())); }

    FakeTabItem item;
    std::unique_ptr<TabStatus> tab;
};

} // namespace tarnolix::test
