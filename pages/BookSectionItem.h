#pragma once
// One section of an open book as the section builder takes it: its record,
// its text (null for a section without text) and its position in the book's
// section list (0 for the first).

#include "core/BookRecords.h"

#include <QtGlobal>

#include <memory>

struct BookSectionItem
{
    std::shared_ptr<const BookSection> section;
    std::shared_ptr<const BookPart> part;
    quint64 index = 0;
};
