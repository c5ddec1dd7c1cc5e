#include "i18n/catalogue.h"

#include <array>
#include <iterator>
#include <string_view>

#include "platform/platform.h"

namespace i18n {

namespace {

// The texts of one entry, in the order of Language.
struct Row {
  Entry entry;
  const char* name;
  std::array<std::string_view, 3> text;
};

constexpr Row kRows[] = {
// sizeof, not strlen: the literals are exact bytes.
#define I18N_TEXT(name, en, zhs, zht)                                             \
  {Entry::name,                                                                   \
   #name,                                                                         \
   {std::string_view(en, sizeof(en) - 1), std::string_view(zhs, sizeof(zhs) - 1), \
    std::string_view(zht, sizeof(zht) - 1)}},
#include "i18n/catalogue_texts.inc"
#undef I18N_TEXT
};

// catalogue.txt and the list in catalogue.h must name the same entries in
// the same order; then a row's position is its entry.
constexpr bool RowsMatchEntries() {
  if (std::size(kRows) != kEntryCount) return false;
  for (size_t i = 0; i < std::size(kRows); ++i) {
    if (static_cast<size_t>(kRows[i].entry) != i) return false;
  }
  return true;
}
static_assert(RowsMatchEntries(), "catalogue.txt and I18N_CATALOGUE_ENTRIES disagree");

// Where catalogue.txt writes {Brand}; byte 0x01 is never part of a GBK or
// Big5 character, so it cannot be matched inside one.
constexpr char kBrandMarker = '\x01';

struct State {
  bool filled = false;
  uint16_t langId = 0;
  Language language = Language::English;
  uint32_t titleColor = 0;
  std::string brand;
  std::array<std::string, kEntryCount> texts;
};

State& state() {
  static State s;
  return s;
}

std::string WithBrand(std::string_view text, const std::string& brand) {
  std::string out;
  out.reserve(text.size() + brand.size());
  for (char c : text) {
    if (c == kBrandMarker) {
      out += brand;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

Language LanguageFor(uint16_t langId) {
  switch (langId) {
    case 0x0404:
    case 0x0C04: return Language::Traditional;
    case 0x0804:
    case 0x1404: return Language::Simplified;
    default: return Language::English;
  }
}

void FillCatalogue(const std::string& brand) {
  FillCatalogueFor(plat::sys().GetSystemDefaultLangID(), brand);
}

void FillCatalogueFor(uint16_t langId, const std::string& brand) {
  State& s = state();
  s.brand = brand;
  s.titleColor = 0;
  s.langId = langId;
  s.language = LanguageFor(langId);
  for (const Row& row : kRows) {
    s.texts[static_cast<size_t>(row.entry)] =
        WithBrand(row.text[static_cast<size_t>(s.language)], s.brand);
  }
  s.filled = true;
}

bool CatalogueFilled() { return state().filled; }
uint16_t SystemLangId() { return state().langId; }
Language CurrentLanguage() { return state().language; }
const std::string& StrBrand() { return state().brand; }
uint32_t TitleColor() { return state().titleColor; }

const std::string& Text(Entry entry) {
  static const std::string kNone;
  size_t i = static_cast<size_t>(entry);
  return i < kEntryCount ? state().texts[i] : kNone;
}

const char* EntryName(Entry entry) {
  size_t i = static_cast<size_t>(entry);
  return i < kEntryCount ? kRows[i].name : "";
}

}  // namespace i18n
