#pragma once
// The place of a section in its book read from its verse number: the stored
// numbering when there is one, else the section's name or slug ("2.12-14",
// "glava-3.stikh-5-7", "chapter-3"). Used to find the same passage in
// another edition of a book.

struct BookSection;

struct SectionReference
{
    int section = 0;
    int chapter = 0;
    int verseFrom = 0;
    int verseTo = 0;
    bool valid = false;
};

SectionReference parseSectionNumberSlug(const BookSection& section);
