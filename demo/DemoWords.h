#pragma once

#include <span>

// The word lists the demonstration catalogue is assembled from.
namespace demo::words {

using Word = const char16_t *;
using List = std::span<const Word>;

// People.
extern const List surnames;      // masculine forms; the feminine ones are derived
extern const List initials;      // first letters of first names and patronymics
extern const List classics;      // whole author fields of well-known writers
extern const List latinAuthors;  // whole author fields in Latin script

// Imprint and accession.
extern const List publishers;
extern const List places;        // current names
extern const List sovietPlaces;  // the same cities as named before 1991, in the same order
extern const List sources;
extern const List notes;

// Titles.
extern const List subjectsGenitive;  // "физики", "истории России"
extern const List titleHeads;        // take a subject in the genitive: "Основы", "История"
extern const List titleSubtitles;    // ": учебное пособие"
extern const List titleQualifiers;   // follow the subject: " в XX веке"
extern const List placePhrases;      // follow a literary title: " над рекой"
extern const List adjectives;        // masculine nominative: "Тихий", "Золотой"
extern const List nounsMasculine;
extern const List nounsFeminine;
extern const List nounsNeuter;
extern const List nounsPlural;
extern const List literaryForms;     // "роман", "повести и рассказы"
extern const List journals;
extern const List degrees;           // "канд. техн. наук"
extern const List awkwardTitles;     // awkward ones a search must cope with

// Annotations and keywords.
extern const List annotationOpeners;  // take a plural subject: "В книге рассматриваются"
extern const List annotationObjects;  // "основные понятия и методы"
extern const List annotationTails;    // " в доступной форме"
extern const List annotationClosings; // whole sentences
extern const List keywords;

} // namespace demo::words
