// The locale table: each LCID winport answers for, with its Windows name, the POSIX locale
// name that selects it and its English language and country names as Windows reports them.
// Sorted by LCID.
#include "locale/locale_table.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>

namespace winport::detail {
namespace {

constexpr LocaleEntry kInvariant = {0x007F, "", "", L"Invariant Language", L"Invariant Country", false};

constexpr LocaleEntry kLocales[] = {
    {0x0401, "ar-SA", "ar_SA", L"Arabic", L"Saudi Arabia", true},
    {0x0402, "bg-BG", "bg_BG", L"Bulgarian", L"Bulgaria", true},
    {0x0403, "ca-ES", "ca_ES", L"Catalan", L"Spain", true},
    {0x0404, "zh-TW", "zh_TW", L"Chinese (Traditional)", L"Taiwan", false},
    {0x0405, "cs-CZ", "cs_CZ", L"Czech", L"Czechia", true},
    {0x0406, "da-DK", "da_DK", L"Danish", L"Denmark", true},
    {0x0407, "de-DE", "de_DE", L"German", L"Germany", true},
    {0x0408, "el-GR", "el_GR", L"Greek", L"Greece", true},
    {0x0409, "en-US", "en_US", L"English", L"United States", true},
    {0x040B, "fi-FI", "fi_FI", L"Finnish", L"Finland", true},
    {0x040C, "fr-FR", "fr_FR", L"French", L"France", true},
    {0x040D, "he-IL", "he_IL", L"Hebrew", L"Israel", true},
    {0x040E, "hu-HU", "hu_HU", L"Hungarian", L"Hungary", true},
    {0x040F, "is-IS", "is_IS", L"Icelandic", L"Iceland", true},
    {0x0410, "it-IT", "it_IT", L"Italian", L"Italy", true},
    {0x0411, "ja-JP", "ja_JP", L"Japanese", L"Japan", true},
    {0x0412, "ko-KR", "ko_KR", L"Korean", L"Korea", true},
    {0x0413, "nl-NL", "nl_NL", L"Dutch", L"Netherlands", true},
    {0x0414, "nb-NO", "nb_NO", L"Norwegian Bokm\u00E5l", L"Norway", true},
    {0x0415, "pl-PL", "pl_PL", L"Polish", L"Poland", true},
    {0x0416, "pt-BR", "pt_BR", L"Portuguese", L"Brazil", true},
    {0x0417, "rm-CH", "rm_CH", L"Romansh", L"Switzerland", true},
    {0x0418, "ro-RO", "ro_RO", L"Romanian", L"Romania", true},
    {0x0419, "ru-RU", "ru_RU", L"Russian", L"Russia", true},
    {0x041A, "hr-HR", "hr_HR", L"Croatian", L"Croatia", true},
    {0x041B, "sk-SK", "sk_SK", L"Slovak", L"Slovakia", true},
    {0x041C, "sq-AL", "sq_AL", L"Albanian", L"Albania", true},
    {0x041D, "sv-SE", "sv_SE", L"Swedish", L"Sweden", true},
    {0x041E, "th-TH", "th_TH", L"Thai", L"Thailand", true},
    {0x041F, "tr-TR", "tr_TR", L"Turkish", L"Turkey", true},
    {0x0420, "ur-PK", "ur_PK", L"Urdu", L"Pakistan", true},
    {0x0421, "id-ID", "id_ID", L"Indonesian", L"Indonesia", true},
    {0x0422, "uk-UA", "uk_UA", L"Ukrainian", L"Ukraine", true},
    {0x0423, "be-BY", "be_BY", L"Belarusian", L"Belarus", true},
    {0x0424, "sl-SI", "sl_SI", L"Slovenian", L"Slovenia", true},
    {0x0425, "et-EE", "et_EE", L"Estonian", L"Estonia", true},
    {0x0426, "lv-LV", "lv_LV", L"Latvian", L"Latvia", true},
    {0x0427, "lt-LT", "lt_LT", L"Lithuanian", L"Lithuania", true},
    {0x0428, "tg-Cyrl-TJ", "tg_TJ", L"Tajik (Cyrillic)", L"Tajikistan", true},
    {0x0429, "fa-IR", "fa_IR", L"Persian", L"Iran", true},
    {0x042A, "vi-VN", "vi_VN", L"Vietnamese", L"Vietnam", true},
    {0x042B, "hy-AM", "hy_AM", L"Armenian", L"Armenia", true},
    {0x042C, "az-Latn-AZ", "az_AZ", L"Azerbaijani (Latin)", L"Azerbaijan", true},
    {0x042D, "eu-ES", "eu_ES", L"Basque", L"Spain", true},
    {0x042F, "mk-MK", "mk_MK", L"Macedonian", L"North Macedonia", true},
    {0x0434, "xh-ZA", "xh_ZA", L"Xhosa", L"South Africa", true},
    {0x0435, "zu-ZA", "zu_ZA", L"Zulu", L"South Africa", true},
    {0x0436, "af-ZA", "af_ZA", L"Afrikaans", L"South Africa", true},
    {0x0437, "ka-GE", "ka_GE", L"Georgian", L"Georgia", true},
    {0x0438, "fo-FO", "fo_FO", L"Faroese", L"Faroe Islands", true},
    {0x0439, "hi-IN", "hi_IN", L"Hindi", L"India", true},
    {0x043A, "mt-MT", "mt_MT", L"Maltese", L"Malta", true},
    {0x043E, "ms-MY", "ms_MY", L"Malay", L"Malaysia", true},
    {0x043F, "kk-KZ", "kk_KZ", L"Kazakh", L"Kazakhstan", true},
    {0x0440, "ky-KG", "ky_KG", L"Kyrgyz", L"Kyrgyzstan", true},
    {0x0441, "sw-KE", "sw_KE", L"Kiswahili", L"Kenya", true},
    {0x0442, "tk-TM", "tk_TM", L"Turkmen", L"Turkmenistan", true},
    {0x0443, "uz-Latn-UZ", "uz_UZ", L"Uzbek (Latin)", L"Uzbekistan", true},
    {0x0444, "tt-RU", "tt_RU", L"Tatar", L"Russia", true},
    {0x0445, "bn-IN", "bn_IN", L"Bangla", L"India", false},
    {0x0446, "pa-IN", "pa_IN", L"Punjabi (Gurmukhi)", L"India", true},
    {0x0447, "gu-IN", "gu_IN", L"Gujarati", L"India", true},
    {0x0449, "ta-IN", "ta_IN", L"Tamil", L"India", true},
    {0x044A, "te-IN", "te_IN", L"Telugu", L"India", true},
    {0x044B, "kn-IN", "kn_IN", L"Kannada", L"India", true},
    {0x044C, "ml-IN", "ml_IN", L"Malayalam", L"India", true},
    {0x044E, "mr-IN", "mr_IN", L"Marathi", L"India", true},
    {0x0450, "mn-MN", "mn_MN", L"Mongolian", L"Mongolia", true},
    {0x0452, "cy-GB", "cy_GB", L"Welsh", L"United Kingdom", true},
    {0x0453, "km-KH", "km_KH", L"Khmer", L"Cambodia", true},
    {0x0454, "lo-LA", "lo_LA", L"Lao", L"Laos", true},
    {0x0456, "gl-ES", "gl_ES", L"Galician", L"Spain", true},
    {0x045B, "si-LK", "si_LK", L"Sinhala", L"Sri Lanka", true},
    {0x045E, "am-ET", "am_ET", L"Amharic", L"Ethiopia", true},
    {0x0461, "ne-NP", "ne_NP", L"Nepali", L"Nepal", true},
    {0x0462, "fy-NL", "fy_NL", L"Western Frisian", L"Netherlands", true},
    {0x0463, "ps-AF", "ps_AF", L"Pashto", L"Afghanistan", true},
    {0x0464, "fil-PH", "fil_PH", L"Filipino", L"Philippines", true},
    {0x046A, "yo-NG", "yo_NG", L"Yoruba", L"Nigeria", true},
    {0x046E, "lb-LU", "lb_LU", L"Luxembourgish", L"Luxembourg", true},
    {0x047E, "br-FR", "br_FR", L"Breton", L"France", true},
    {0x0491, "gd-GB", "gd_GB", L"Scottish Gaelic", L"United Kingdom", true},
    {0x0801, "ar-IQ", "ar_IQ", L"Arabic", L"Iraq", false},
    {0x0803, "ca-ES-valencia", "ca_ES@valencia", L"Catalan", L"Spain", false},
    {0x0804, "zh-CN", "zh_CN", L"Chinese (Simplified)", L"China", true},
    {0x0807, "de-CH", "de_CH", L"German", L"Switzerland", false},
    {0x0809, "en-GB", "en_GB", L"English", L"United Kingdom", false},
    {0x080A, "es-MX", "es_MX", L"Spanish", L"Mexico", false},
    {0x080C, "fr-BE", "fr_BE", L"French", L"Belgium", false},
    {0x0810, "it-CH", "it_CH", L"Italian", L"Switzerland", false},
    {0x0813, "nl-BE", "nl_BE", L"Dutch", L"Belgium", false},
    {0x0814, "nn-NO", "nn_NO", L"Norwegian Nynorsk", L"Norway", true},
    {0x0816, "pt-PT", "pt_PT", L"Portuguese", L"Portugal", false},
    {0x0818, "ro-MD", "ro_MD", L"Romanian", L"Moldova", false},
    {0x0819, "ru-MD", "ru_MD", L"Russian", L"Moldova", false},
    {0x081D, "sv-FI", "sv_FI", L"Swedish", L"Finland", false},
    {0x083C, "ga-IE", "ga_IE", L"Irish", L"Ireland", true},
    {0x083E, "ms-BN", "ms_BN", L"Malay", L"Brunei", false},
    {0x0843, "uz-Cyrl-UZ", "uz_UZ@cyrillic", L"Uzbek (Cyrillic)", L"Uzbekistan", false},
    {0x0845, "bn-BD", "bn_BD", L"Bangla", L"Bangladesh", true},
    {0x0C01, "ar-EG", "ar_EG", L"Arabic", L"Egypt", false},
    {0x0C04, "zh-HK", "zh_HK", L"Chinese (Traditional)", L"Hong Kong SAR", false},
    {0x0C07, "de-AT", "de_AT", L"German", L"Austria", false},
    {0x0C09, "en-AU", "en_AU", L"English", L"Australia", false},
    {0x0C0A, "es-ES", "es_ES", L"Spanish", L"Spain", true},
    {0x0C0C, "fr-CA", "fr_CA", L"French", L"Canada", false},
    {0x1001, "ar-LY", "ar_LY", L"Arabic", L"Libya", false},
    {0x1004, "zh-SG", "zh_SG", L"Chinese (Simplified)", L"Singapore", false},
    {0x1007, "de-LU", "de_LU", L"German", L"Luxembourg", false},
    {0x1009, "en-CA", "en_CA", L"English", L"Canada", false},
    {0x100A, "es-GT", "es_GT", L"Spanish", L"Guatemala", false},
    {0x100C, "fr-CH", "fr_CH", L"French", L"Switzerland", false},
    {0x101A, "hr-BA", "hr_BA", L"Croatian", L"Bosnia and Herzegovina", false},
    {0x1401, "ar-DZ", "ar_DZ", L"Arabic", L"Algeria", false},
    {0x1404, "zh-MO", "zh_MO", L"Chinese (Traditional)", L"Macao SAR", false},
    {0x1407, "de-LI", "de_LI", L"German", L"Liechtenstein", false},
    {0x1409, "en-NZ", "en_NZ", L"English", L"New Zealand", false},
    {0x140A, "es-CR", "es_CR", L"Spanish", L"Costa Rica", false},
    {0x140C, "fr-LU", "fr_LU", L"French", L"Luxembourg", false},
    {0x141A, "bs-Latn-BA", "bs_BA", L"Bosnian (Latin)", L"Bosnia and Herzegovina", true},
    {0x1801, "ar-MA", "ar_MA", L"Arabic", L"Morocco", false},
    {0x1809, "en-IE", "en_IE", L"English", L"Ireland", false},
    {0x180A, "es-PA", "es_PA", L"Spanish", L"Panama", false},
    {0x180C, "fr-MC", "fr_MC", L"French", L"Monaco", false},
    {0x1C01, "ar-TN", "ar_TN", L"Arabic", L"Tunisia", false},
    {0x1C09, "en-ZA", "en_ZA", L"English", L"South Africa", false},
    {0x1C0A, "es-DO", "es_DO", L"Spanish", L"Dominican Republic", false},
    {0x2001, "ar-OM", "ar_OM", L"Arabic", L"Oman", false},
    {0x2009, "en-JM", "en_JM", L"English", L"Jamaica", false},
    {0x200A, "es-VE", "es_VE", L"Spanish", L"Venezuela", false},
    {0x2401, "ar-YE", "ar_YE", L"Arabic", L"Yemen", false},
    {0x240A, "es-CO", "es_CO", L"Spanish", L"Colombia", false},
    {0x241A, "sr-Latn-RS", "sr_RS@latin", L"Serbian (Latin)", L"Serbia", false},
    {0x2801, "ar-SY", "ar_SY", L"Arabic", L"Syria", false},
    {0x2809, "en-BZ", "en_BZ", L"English", L"Belize", false},
    {0x280A, "es-PE", "es_PE", L"Spanish", L"Peru", false},
    {0x281A, "sr-Cyrl-RS", "sr_RS", L"Serbian (Cyrillic)", L"Serbia", true},
    {0x2C01, "ar-JO", "ar_JO", L"Arabic", L"Jordan", false},
    {0x2C09, "en-TT", "en_TT", L"English", L"Trinidad and Tobago", false},
    {0x2C0A, "es-AR", "es_AR", L"Spanish", L"Argentina", false},
    {0x3001, "ar-LB", "ar_LB", L"Arabic", L"Lebanon", false},
    {0x3009, "en-ZW", "en_ZW", L"English", L"Zimbabwe", false},
    {0x300A, "es-EC", "es_EC", L"Spanish", L"Ecuador", false},
    {0x3401, "ar-KW", "ar_KW", L"Arabic", L"Kuwait", false},
    {0x3409, "en-PH", "en_PH", L"English", L"Philippines", false},
    {0x340A, "es-CL", "es_CL", L"Spanish", L"Chile", false},
    {0x3801, "ar-AE", "ar_AE", L"Arabic", L"United Arab Emirates", false},
    {0x380A, "es-UY", "es_UY", L"Spanish", L"Uruguay", false},
    {0x3C01, "ar-BH", "ar_BH", L"Arabic", L"Bahrain", false},
    {0x3C0A, "es-PY", "es_PY", L"Spanish", L"Paraguay", false},
    {0x4001, "ar-QA", "ar_QA", L"Arabic", L"Qatar", false},
    {0x4009, "en-IN", "en_IN", L"English", L"India", false},
    {0x400A, "es-BO", "es_BO", L"Spanish", L"Bolivia", false},
    {0x4409, "en-MY", "en_MY", L"English", L"Malaysia", false},
    {0x440A, "es-SV", "es_SV", L"Spanish", L"El Salvador", false},
    {0x4809, "en-SG", "en_SG", L"English", L"Singapore", false},
    {0x480A, "es-HN", "es_HN", L"Spanish", L"Honduras", false},
    {0x4C0A, "es-NI", "es_NI", L"Spanish", L"Nicaragua", false},
    {0x500A, "es-PR", "es_PR", L"Spanish", L"Puerto Rico", false},
    {0x540A, "es-US", "es_US", L"Spanish", L"United States", false},
};

const LocaleEntry* FindPosix(const std::string& posix) {
    for (const LocaleEntry& e : kLocales)
        if (posix == e.posix) return &e;
    return nullptr;
}

const LocaleEntry* PrimaryOf(const std::string& language) {
    for (const LocaleEntry& e : kLocales) {
        std::string_view name(e.name);
        if (e.primary && name.substr(0, name.find('-')) == language) return &e;
    }
    return nullptr;
}

// Language codes that older C libraries still use for languages that have since been renamed.
std::string CurrentLanguageCode(std::string language) {
    if (language == "no") return "nb";
    if (language == "iw") return "he";
    if (language == "in") return "id";
    return language;
}

}  // namespace

const LocaleEntry& InvariantLocale() { return kInvariant; }

const LocaleEntry* FindLocale(LCID lcid) {
    if (lcid > 0xFFFF) return nullptr;  // an alternate sort or a version: not in the table
    if (lcid == kInvariant.lcid) return &kInvariant;
    const LocaleEntry* end = std::end(kLocales);
    const LocaleEntry* found = std::lower_bound(std::begin(kLocales), end, lcid,
                                                [](const LocaleEntry& e, LCID wanted) { return e.lcid < wanted; });
    if (found != end && found->lcid == lcid) return found;
    if (SUBLANGID(lcid) != 0 || PRIMARYLANGID(lcid) == 0) return nullptr;
    for (const LocaleEntry& e : kLocales)
        if (e.primary && PRIMARYLANGID(e.lcid) == PRIMARYLANGID(lcid)) return &e;
    return nullptr;
}

LCID LcidFromPosixLocale(std::string_view name) {
    constexpr LCID kEnglishUnitedStates = 0x0409;
    std::string modifier;
    if (std::size_t at = name.find('@'); at != std::string_view::npos) {
        modifier.assign(name.substr(at + 1));
        name = name.substr(0, at);
    }
    name = name.substr(0, name.find('.'));  // the codeset
    if (name.empty() || name == "C" || name == "POSIX") return kEnglishUnitedStates;

    const std::size_t separator = name.find_first_of("_-");
    std::string language(name.substr(0, separator));
    std::string country(separator == std::string_view::npos ? std::string_view() : name.substr(separator + 1));
    for (char& c : language) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : country) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (char& c : modifier) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    language = CurrentLanguageCode(language);

    const std::string key = country.empty() ? language : language + "_" + country;
    const LocaleEntry* entry = modifier.empty() ? nullptr : FindPosix(key + "@" + modifier);
    if (entry == nullptr) entry = FindPosix(key);
    if (entry == nullptr) entry = PrimaryOf(language);
    return entry ? entry->lcid : kEnglishUnitedStates;
}

}  // namespace winport::detail
