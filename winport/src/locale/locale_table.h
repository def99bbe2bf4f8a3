// The locales winport knows: Windows LCIDs with their names, and the POSIX locale names
// that map to them.
#pragma once

#include <winport/types.h>

#include <string_view>

namespace winport::detail {

struct LocaleEntry {
    LCID lcid;
    const char* name;               // the Windows locale name (LOCALE_SNAME), "de-CH"
    const char* posix;              // the POSIX locale it stands for, "de_CH" or "sr_RS@latin"
    const wchar_t* language;        // LOCALE_SENGLISHLANGUAGENAME
    const wchar_t* country;         // LOCALE_SENGLISHCOUNTRYNAME
    bool primary;                   // the locale a bare language name ("de") means
};

// The invariant locale (LCID 0x7F): no language, no country.
const LocaleEntry& InvariantLocale();

// The entry of a specific LCID (sort ID 0), or of a language-neutral one (sublanguage 0, as
// 0x0009) through its language's primary locale; null when winport does not know it.
const LocaleEntry* FindLocale(LCID lcid);

// The LCID a POSIX locale name stands for: "fr_CA.UTF-8" is 0x0C0C. The codeset is ignored;
// a modifier counts where it names another locale ("sr_RS@latin") and is dropped otherwise
// ("de_CH@euro"). "C", "POSIX" and an empty name are English (United States), 0x409. A known
// language with an unknown or missing country gives the language's primary locale ("de" and
// "de_XX" are 0x407); a name winport cannot place at all also gives 0x409, the language of
// winport's own system texts.
LCID LcidFromPosixLocale(std::string_view name);

}  // namespace winport::detail
