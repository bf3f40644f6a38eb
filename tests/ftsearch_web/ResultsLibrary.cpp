#include "tests/ftsearch_web/ResultsLibrary.h"

#include <gtest/gtest.h>

namespace tarnolix::test {
namespace {

std::unique_ptr<ResultsLibrary>& library()
{
    static std::unique_ptr<ResultsLibrary> instance;
    return instance;
}

class ResultsLibraryEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { library() = std::make_unique<ResultsLibrary>(); }
    void TearDown() override { library().reset(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ResultsLibraryEnvironment);

} // namespace

ResultsLibrary& resultsLibrary()
{
    return *library();
}

} // namespace tarnolix::test
