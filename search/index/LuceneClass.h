#pragma once
// LUCENE_CLASS for classes outside namespace Lucene: its expansion names
// `String` unqualified, so the class brings Lucene's into its own scope.

#include <LuceneHeaders.h>

#define TARNOLIX_LUCENE_CLASS(Name) \
    using String = Lucene::String; \
    LUCENE_CLASS(Name)
