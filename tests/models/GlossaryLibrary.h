#pragma once
// The catalogue tests' library with the sample glossary tree stored and a
// glossary tree manager installed for the models.

#include "models/GlossaryTreeMngr.h"
#include "tests/models/CatalogLibrary.h"
#include "tests/models/GlossaryTreeSample.h"

#include <memory>

namespace tarnolix::test {

class GlossaryLibrary : public CatalogLibrary
{
protected:
    void SetUp() override
    {
        CatalogLibrary::SetUp();
        db->setGlossaryTree(sampleGlossaryTree());
        manager = std::make_unique<GlossaryTreeMngr>();
        GlossaryTreeMngr::setCurrent(manager.get());
    }
    void TearDown() override
    {
        manager.reset();
        CatalogLibrary::TearDown();
    }

    std::unique_ptr<GlossaryTreeMngr> manager;
};

} // namespace tarnolix::test
