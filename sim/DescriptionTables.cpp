#include "sim/DescriptionTables.h"

#include <array>

namespace qu32::sim {

namespace {

// Value formats by sign, N and P.
constexpr ValueFormat kU1{Sign::Unsigned, 1, 0};
constexpr ValueFormat kU2{Sign::Unsigned, 2, 0};
constexpr ValueFormat kU3{Sign::Unsigned, 3, 0};
constexpr ValueFormat kU4{Sign::Unsigned, 4, 0};
constexpr ValueFormat kU5{Sign::Unsigned, 5, 0};
constexpr ValueFormat kU6{Sign::Unsigned, 6, 0};
constexpr ValueFormat kU3d1{Sign::Unsigned, 3, 1};
constexpr ValueFormat kU4d2{Sign::Unsigned, 4, 2};
constexpr ValueFormat kU4d3{Sign::Unsigned, 4, 3};
constexpr ValueFormat kU5d1{Sign::Unsigned, 5, 1};
constexpr ValueFormat kU6d1{Sign::Unsigned, 6, 1};
constexpr ValueFormat kU6d4{Sign::Unsigned, 6, 4};
constexpr ValueFormat kS4d1{Sign::Signed, 4, 1};
constexpr ValueFormat kS4d2{Sign::Signed, 4, 2};
constexpr ValueFormat kS5d1{Sign::Signed, 5, 1};
constexpr ValueFormat kS5d2{Sign::Signed, 5, 2};
constexpr ValueFormat kS6{Sign::Signed, 6, 0};
constexpr ValueFormat kS6d1{Sign::Signed, 6, 1};
constexpr ValueFormat kS6d2{Sign::Signed, 6, 2};
constexpr ValueFormat kS8{Sign::Signed, 8, 0};
constexpr ValueFormat kH6{Sign::Hash, 6, 0};
constexpr ValueFormat kH8{Sign::Hash, 8, 0};

// Largest magnitudes of N digits.
constexpr std::int32_t kMax1 = 9;
constexpr std::int32_t kMax2 = 99;
constexpr std::int32_t kMax3 = 999;
constexpr std::int32_t kMax4 = 9999;
constexpr std::int32_t kMax5 = 99999;
constexpr std::int32_t kMax6 = 999999;
constexpr std::int32_t kMax8 = 99999999;

// --- TQ593: synchronisation controller. Codes "54" to "69" are its input commands, so the list
// jumps over them.
constexpr ParamRow kTq593Params[] = {
    heading("Maschinendaten"),
    param("Packungsl\xE4nge", "00", kU5d1, 1, kMax5, 2500),
    param("Kettenteilung", "01", kU4, 1, kMax4, 120),
    param("Impulse je Umdrehung", "02", kU5, 1, 65535, 1000),
    param("Getriebe Z\xE4hler", "03", kU4, 1, kMax4, 1),
    param("Getriebe Nenner", "04", kU4, 1, kMax4, 1),
    param("Nullpunkt-Offset", "05", kS5d1, -kMax4, kMax4, -150),
    param("Drehrichtung Leitachse", "06", kU1, 0, 1, 0),
    param("Drehrichtung Folgeachse", "07", kU1, 0, 1, 1),
    heading("Regelung"),
    param("Proportionalverst\xE4rkung", "08", kU4d2, 0, kMax4, 250),
    param("Integralzeit", "09", kU4d3, 0, kMax4, 500),
    param("Max. Korrektur", "10", kS4d1, -2000, 2000, 500),
    param("Einschaltverz\xF6gerung", "11", kU4d2, 0, kMax4, 150),
    param("Rampenzeit", "12", kU3d1, 1, 600, 50),
    param("Endfrequenz", "13", kU3d1, 1, kMax3, 100),
    param("Totband", "14", kU3, 0, kMax3, 5),
    param("Schleppfehler-Alarm", "15", kU5, 0, kMax5, 2000),
    heading("Druckmarken"),
    param("Fensteranfang", "16", kS5d1, -kMax4, kMax4, -50),
    param("Fensterende", "17", kS5d1, -kMax4, kMax4, 50),
    param("Markengr\xF6\xDF"
          "e",
          "18", kU3d1, 1, kMax3, 40),
    param("Fehlmarken bis Alarm", "19", kU2, 0, kMax2, 3),
    param("Sollposition", "20", kH6, 0, kMax6, 1234),
    param("Positionskorrektur", "21", kH6, 0, kMax6, 0),
    heading("Festdrehzahlen"),
    series("Festdrehzahl ", 1, 8, "", "22", kS5d2, -30000, 30000, 0),
    heading("Nocken"),
    series("Nocke ", 1, 6, " ein", "30", kU4, 0, 3599, 0),
    series("Nocke ", 1, 6, " aus", "36", kU4, 0, 3599, 1800),
    heading("Schnittstelle"),
    param("Ger\xE4teadresse", "42", kU2, 0, kMax2, 11),
    param("Baudrate", "43", kU1, 0, 6, 0),
    param("Datenformat", "44", kU1, 0, kMax1, 0),
    param("Antwortverz\xF6gerung", "45", kU3, 0, 250, 0),
    heading(""),
    heading("Service"),
    param("Betriebsstunden", "46", kU6, 0, kMax6, 1520),
    param("Z\xE4hlerstand", "47", kS8, -kMax8, kMax8, 0),
    param("Sprache", "48", kU1, 0, 3, 1),
    param("Testbetrieb", "49", kU1, 0, 1, 0),
    heading("Sonderfunktionen"),
    series("Sonderfunktion ", 1, 4, "", "50", kU1, 0, kMax1, 0),
    heading("Analogausgang"),
    param("Offset Analogausgang", "70", kS4d2, -1000, 1000, 0),
    param("Verst\xE4rkung Analogausgang", "71", kU4d3, 0, kMax4, 1000),
    param("Filterzeit", "72", kU3, 0, 255, 16),
    param("Gr\xF6\xDF"
          "e Anzeigebereich",
          "73", kU5, 100, kMax5, 10000),
    heading("Grenzwerte"),
    param("Obere Grenze", "74", kS6, -kMax6, kMax6, 500000),
    param("Untere Grenze", "75", kS6, -kMax6, kMax6, -500000),
    param("Hysterese", "76", kU4, 0, kMax4, 10),
    param("Vorwahl", "77", kH8, 0, kMax8, 100000),
};

// Input k is set by command "54" + k; input 4 is the reset.
constexpr InputRow kTq593Inputs[] = {
    {"Start", true, true},
    {"Stopp", true, true},
    {"Tippen vorw\xE4rts", true, false},
    {"Tippen r\xFC"
     "ckw\xE4rts",
     true, false},
    {"Reset", true, true},
    {"Referenzfahrt", true, true},
    {"Druckmarke sperren", true, false},
    {"Festdrehzahl", true, false},
    {"Nocken freigeben", false, true},
    {"Leitachse virtuell", true, false},
    {"St\xF6rung quittieren", true, true},
    {"Daten aktivieren", true, false},
    {"EEPROM speichern", true, false},
    {"Synchronlauf", false, true},
    {"Druckmarke", false, true},
    {"Master-Index", false, true},
};

constexpr std::string_view kTq593Outputs[] = {
    "Bereit",
    "Synchron",
    "Schleppfehler",
    "Fehlmarke",
    "Nocke 1",
    "Nocke 2",
    "Grenzwert \xFC"
    "berschritten",
    "St\xF6rung",
};

// --- NT876: display unit, the NT594 variant. Input 6 (command "60") is the reset.
constexpr ParamRow kNt876Params[] = {
    heading("Anzeige"),
    param("Dezimalpunkt", "00", kU1, 0, 5, 2),
    param("Anzeigefaktor", "01", kU6d4, 1, kMax6, 10000),
    param("Anzeigeoffset", "02", kS6d2, -kMax6, kMax6, 0),
    param("Mittelwertbildung", "03", kU2, 1, 64, 8),
    param("Helligkeit", "04", kU1, 1, 8, 5),
    param("Anzeigezeit", "05", kU4d3, 0, kMax4, 250),
    heading("Grenzwerte"),
    series("Grenzwert ", 1, 4, "", "06", kS6, -kMax6, kMax6, 0),
    series("Hysterese ", 1, 4, "", "10", kU4, 0, kMax4, 10),
    heading("Eing\xE4nge"),
    param("Eingangsfrequenz max.", "14", kU5, 1, kMax5, 10000),
    param("Impulsz\xE4hlung", "15", kU1, 0, 3, 0),
    param("Torzeit", "16", kU4d3, 1, kMax4, 1000),
    heading("Schnittstelle"),
    param("Ger\xE4teadresse", "40", kU2, 0, kMax2, 11),
    param("Baudrate", "41", kU1, 0, 6, 0),
    param("Datenformat", "42", kU1, 0, kMax1, 0),
};

constexpr InputRow kNt876Inputs[] = {
    {"Anzeige halten", true, true},
    {"Tara", true, true},
    {"Grenzwerte sperren", true, false},
    {"Min/Max l\xF6schen", true, false},
    {"Anzeige dunkel", false, true},
    {"Teach", false, true},
    {"Reset", true, true},
};

constexpr std::string_view kNt876Outputs[] = {"Grenzwert 1", "Grenzwert 2", "Grenzwert 3",
                                              "Grenzwert 4"};

// --- VM628: positioning unit.
constexpr ParamRow kVm628Params[] = {
    heading("Grundeinstellung"),
    param("Achsl\xE4nge", "00", kU6d1, 1, kMax6, 36000),
    param("Strichzahl Geber", "01", kU5, 1, 65535, 4096),
    param("Getriebe Z\xE4hler", "02", kU4, 1, kMax4, 1),
    param("Getriebe Nenner", "03", kU4, 1, kMax4, 1),
    param("Drehrichtung", "04", kU1, 0, 1, 0),
    heading("Positionen"),
    series("Position ", 1, 10, "", "05", kS8, -kMax8, kMax8, 0),
    heading("Geschwindigkeiten"),
    series("Geschwindigkeit ", 1, 4, "", "15", kU5d1, 0, 30000, 1000),
    param("Beschleunigung", "19", kU5d1, 1, kMax5, 500),
    param("Verz\xF6gerung", "20", kU5d1, 1, kMax5, 500),
    heading("Regler"),
    param("Verst\xE4rkung", "21", kU4d2, 0, kMax4, 120),
    param("Nachstellzeit", "22", kU4d3, 0, kMax4, 80),
    param("Vorhaltzeit", "23", kU4d3, 0, kMax4, 0),
    param("Schleppfehlergrenze", "24", kU5, 0, kMax5, 500),
    heading("Referenzfahrt"),
    param("Referenzmodus", "30", kU1, 0, 4, 1),
    param("Referenzgeschwindigkeit", "31", kU5d1, 1, kMax5, 200),
    param("Referenzoffset", "32", kS6d1, -kMax6, kMax6, 0),
    param("Sollposition", "33", kH8, 0, kMax8, 0),
};

constexpr InputRow kVm628Inputs[] = {
    {"Start", true, true},
    {"Stopp", true, true},
    {"Tippen +", true, false},
    {"Tippen -", true, false},
    {"Reset", true, true},
    {"Referenzfahrt", true, true},
    {"Endschalter +", false, true},
    {"Endschalter -", false, true},
    {"Referenzschalter", false, true},
    {"Position anfahren", true, false},
    {"St\xF6rung quittieren", true, true},
    {"Freigabe", false, true},
};

constexpr std::string_view kVm628Outputs[] = {
    "Bereit",    "In Position", "Referenziert", "Schleppfehler",
    "Endlage +", "Endlage -",   "Bewegung",     "St\xF6rung",
};

// --- The 401-line unit: sixteen axes of the same parameters, each closed by a series, and a
// last heading. The codes jump over the status, command and version registers.
struct BigSection {
    std::string_view heading;
    std::string_view firstCode;
};

constexpr BigSection kBigSections[] = {
    {"Achse 1 Lageregelung", "00"},  {"Achse 2 Lageregelung", "24"},
    {"Achse 3 Lageregelung", "A0"},  {"Achse 4 Lageregelung", "C4"},
    {"Achse 5 Lageregelung", "E8"},  {"Achse 6 Lageregelung", "H2"},
    {"Achse 7 Lageregelung", "J6"},  {"Achse 8 Lageregelung", "M0"},
    {"Achse 9 Lageregelung", "O4"},  {"Achse 10 Lageregelung", "Q8"},
    {"Achse 11 Lageregelung", "T2"}, {"Achse 12 Lageregelung", "V6"},
    {"Achse 13 Lageregelung", "a0"}, {"Achse 14 Lageregelung", "c4"},
    {"Achse 15 Lageregelung", "e8"}, {"Achse 16 Lageregelung", "h2"},
};

struct BigParam {
    std::string_view text;
    ValueFormat format;
    std::int32_t minValue;
    std::int32_t maxValue;
    std::int32_t initialValue;
};

constexpr BigParam kBigParams[] = {
    {"Sollwert", kS6, -kMax6, kMax6, 0},
    {"Istwertkorrektur", kS5d1, -kMax4, kMax4, 0},
    {"Beschleunigung", kU5d1, 1, kMax5, 500},
    {"Verz\xF6gerung", kU5d1, 1, kMax5, 500},
    {"Geschwindigkeit", kU5, 0, 30000, 1500},
    {"Verst\xE4rkung", kU4d2, 0, kMax4, 100},
    {"Nachstellzeit", kU4d3, 0, kMax4, 250},
    {"Totband", kU3, 0, kMax3, 2},
    {"Schleppfehler", kU5, 0, kMax5, 1000},
    {"Positionsoffset", kH8, 0, kMax8, 0},
    {"Endlage vorw\xE4rts", kS8, -kMax8, kMax8, 5000000},
    {"Endlage r\xFC"
     "ckw\xE4rts",
     kS8, -kMax8, kMax8, -5000000},
    {"Referenzwert", kS6d2, -kMax6, kMax6, 0},
    {"Filterzeit", kU3, 0, 255, 8},
};

constexpr std::string_view kBigSeriesText = "Nockenpunkt ";
constexpr int kBigSeriesLength = 10;
constexpr std::size_t kBigRowCount = std::size(kBigSections) * (1 + std::size(kBigParams) + 1) + 1;

constexpr std::array<ParamRow, kBigRowCount> makeBigRows() {
    std::array<ParamRow, kBigRowCount> rows{};
    std::size_t r = 0;
    for (const BigSection& section : kBigSections) {
        rows[r++] = heading(section.heading);
        for (std::size_t k = 0; k < std::size(kBigParams); ++k) {
            const BigParam& p = kBigParams[k];
            rows[r++] = param(p.text, k == 0 ? section.firstCode : std::string_view(), p.format,
                              p.minValue, p.maxValue, p.initialValue);
        }
        rows[r++] = series(kBigSeriesText, 1, kBigSeriesLength, "", "", kU4, 0, 3599, 0);
    }
    rows[r++] = heading("Ende der Parameterliste");
    return rows;
}

constexpr std::array<ParamRow, kBigRowCount> kBig401Params = makeBigRows();
// The PC's list holds 401 lines; this unit fills it to the last one.
constexpr std::size_t kBigEntryCount = 401;
static_assert(entryCount(kBig401Params) == kBigEntryCount);

}  // namespace

const DescriptionTable kTq593Description{kTq593Params, kTq593Inputs, kTq593Outputs};
const DescriptionTable kNt876Description{kNt876Params, kNt876Inputs, kNt876Outputs};
const DescriptionTable kVm628Description{kVm628Params, kVm628Inputs, kVm628Outputs};
const DescriptionTable kBig401Description{kBig401Params, kTq593Inputs, kTq593Outputs};

}  // namespace qu32::sim
