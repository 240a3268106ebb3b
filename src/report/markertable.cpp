#include "markertable.h"

#include "catalogue/sampletypes.h"

#include <cmath>

namespace Markers {

namespace {

struct NamePair
{
    const char* en;
    const char* ru; // nullptr: the English name is used in both languages
};

const NamePair Names[MarkerTableSize] = {
    {"Streptococcus spp.", nullptr},
    {"Eggerthella lenta", nullptr},
    {"Bacillus cereus", nullptr},
    {"Peptostreptococcus anaerobius 18623", nullptr},
    {"Cl. hystolyticum/Str. pneumonia", nullptr},
    {"Nocardia  spp.", nullptr},
    {"Peptostreptococcus anaerobius 17642", nullptr},
    {"Moraxella  spp./Acinetobacter spp.", nullptr},
    {"Pseudomonas aeruginosa", nullptr},
    {"Propionibacterium spp.", nullptr},
    {"Bacillus megaterium", nullptr},
    {"Clostridium propionicum", nullptr},
    {"Stenotrophomonas maltophilia", nullptr},
    {"Bacteroides hypermegas", nullptr},
    {"Actinomyces spp.", nullptr},
    {"Pseudonocardia spp.", nullptr},
    {"Streptomyces spp.", nullptr},
    {"Clostridium ramosum", nullptr},
    {"Fusobacterium spp./Haemophilus spp.", nullptr},
    {"Alcaligenes spp.", nullptr},
    {"Streptomyces farmamarensis", nullptr},
    {"Flavobacterium spp.", nullptr},
    {"Rhodococcus spp.", nullptr},
    {"Staphylococcus epidermidis", nullptr},
    {"Porphyromonas spp.", nullptr},
    {"Corynebacterium spp.", nullptr},
    {"Lactobacillus spp.", nullptr},
    {"Campylobacter mucosalis", nullptr},
    {"Candida spp.", nullptr},
    {"Enterobacteriaceae spp. (E.coli etc)", "Enterobacteriaceae spp. (E.coli и пр)"},
    {"Clostridium spp.(C. tetani group)", "Clostridium spp.(группа C. tetani)"},
    {"Clostridium difficile", nullptr},
    {"Aspergillus spp.", nullptr},
    {"Prevotella spp.", nullptr},
    {"Eubacterium spp.", nullptr},
    {"Bacteroides fragilis", nullptr},
    {"Staphylococcus aureus", nullptr},
    {"Bifidobacterium spp.", nullptr},
    {"Helicobacter pylori", nullptr},
    {"Clostridium perfringens", nullptr},
    {"Enterococcus spp.", nullptr},
    {"Chlamydia trachomatis", nullptr},
    {"Propionibacterium freudenreichii", nullptr},
    {"Streptococcus mutans (anaerobe)", "Streptococcus mutans (анаэробные)"},
    {"Herpes spp.", nullptr},
    {"Microfungi, Campesterol", "Микр грибы,  кампестерол"},
    {"Nocardia asteroides", nullptr},
    {"Epstein-Barr virus", "Эпштейна-Барр вирус"},
    {"Microfungi, Sitosterol", "Микр грибы, ситостерол"},
    {"Propionibacterium acnes", nullptr},
    {"Ruminicoccus spp.", nullptr},
    {"Mycobacterium spp.", nullptr},
    {"Blautia coccoides", nullptr},
    {"Kingella spp.", nullptr},
    {"Actinomyces viscosus", nullptr},
    {"Propionibacterium jensenii", nullptr},
    {"Cytomegalovirus", "Цитомегаловирус"},
    {"Sum", "Сумма"},
    {"Плазмологен (по 16а)", nullptr},
    {"Эндотоксин (сумма)", nullptr},
};

} // namespace

MarkerTable buildTable(unsigned char typeCode, unsigned char language)
{
    const bool russian = language == 1;
    MarkerTable table(MarkerTableSize);
    for (int row = 0; row < MarkerTableSize; ++row) {
        const NamePair& n = Names[row];
        table[row].name = QString::fromUtf8(russian && n.ru ? n.ru : n.en);
    }
    if (typeCode == EarSwabCode) {
        table[4].name = russian ? QString::fromUtf8("Себум, 14:1") : QStringLiteral("Sebum, 14:1");
        table[11].name = russian ? QString::fromUtf8("Себум, 15:1") : QStringLiteral("Sebum, 15:1");
    }
    return table;
}

double roundHalfAway(double value)
{
    return std::round(value);
}

void postCalc(MarkerTable& table)
{
    const int markers = qMin(table.size(), DeviceMarkerCount);
    double normSum = 0;
    double resultSum = 0;
    for (int k = 0; k < markers; ++k) {
        normSum += table[k].norm;
        resultSum += table[k].result;
        table[k].result = roundHalfAway(table[k].result);
    }
    if (table.size() > SumRow) {
        table[SumRow].norm = normSum;
        table[SumRow].result = roundHalfAway(resultSum);
    }
}

int templateType(unsigned char code)
{
    return SampleTypes::templateType(code);
}

QString samplePhrase(unsigned char code, unsigned char language)
{
    return SampleTypes::phrase(code, language);
}

} // namespace Markers
