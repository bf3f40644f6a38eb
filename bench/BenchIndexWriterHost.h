#pragma once
// The application, as the index writer threads of a benchmark see it: a
// signed-in reader with both keys, nothing else running; errors go to
// stderr.

#include "search/index/IndexWriterHost.h"

#include <cstdio>

namespace bench {

class BenchIndexWriterHost : public tarnolix::IndexWriterHost
{
public:
    bool isAuthorized() const override { return true; }
    bool updateCompleterExists() const override { return false; }
    bool bookTextKeysReady() const override { return true; }
    bool isDatabaseUpdating() const override { return false; }
    void postShowError(const QString& message) override
    {
        std::fprintf(stderr, "error shown: %s\n", qUtf8Printable(message));
    }
};

} // namespace bench
