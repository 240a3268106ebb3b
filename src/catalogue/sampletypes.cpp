#include "sampletypes.h"

namespace SampleTypes {

const QVector<SampleType>& table()
{
    static const QVector<SampleType> rows = [] {
        static const char* const t[Count][5] = {
            {"AS", "Аспират из матки (AS)", "в аспирате из матки", "Uterus aspirat (AS)",
             "in uterus aspirat"},
            {"BT", "Биоптат тканей (BT)", "в биоптате тканей", "Tissue biopsy (BT)",
             "in tissue biopsy"},
            {"BA", "Бронх. лаваж (BA)", "в бронхоальвеолярном лаваже",
             "Bronchoalveolar lavage (BA)", "in bronchoalveolar lavage"},
            {"VA", "Вагинальное содержимое (VA)", "в вагинальном содержимом",
             "Vaginal contents (VA)", "in vaginal contents"},
            {"SD", "Дренаж (SD)", "в дренаже", "Drainage (SD)", "in drainage"},
            {"BL", "Кровь (BL)", "в крови", "Blood (BL)", "in blood"},
            {"LF", "Ликвор (LF)", "в ликворе", "Liquor (LF)", "in liquor"},
            {"ZE", "Мазок из зева (ZE)", "в мазке из зева", "Throat swab (ZE)", "in throat swab"},
            {"MU", "Мазок из уретры (MU)", "в мазке из уретры", "Urethra swab (MU)",
             "in urethra swab"},
            {"EA", "Мазок из уха (EA)", "в мазке из уха", "Ear swab (EA)", "in ear swab"},
            {"UR", "Моча (UR)", "в моче", "Urina (UR)", "in urina"},
            {"GF", "Отделяемое глаза (GF)", "в отделяемом глаза", "Eye discharge (GF)",
             "in eye discharge"},
            {"NO", "Отделяемое носа (NO)", "в отделяемом носа", "Nose discharge (NO)",
             "in nose discharge"},
            {"WD", "Раневое отделяемое (WD)", "в раневом отделяемом", "Wound discharge (WD)",
             "in wound discharge"},
            {"PF", "Секрет простаты (PF)", "в секрете простаты", "Prostate fluid (PF)",
             "in prostate fluid"},
            {"SL", "Слюна (SL)", "в слюне", "Saliva (SL)", "in saliva"},
            {"TA", "Смыв трахеи (TA)", "в смыве трахеи", "Tracheal wash (TA)", "in tracheal wash"},
            {"SK", "Соскоб кожи (SK)", "в соскобе кожи", "Skin scraping (SK)", "in skin scraping"},
            {"FK", "Фекалии (FK)", "в фекалиях", "Feces (FK)", "in feces"},
            {"CE", "Цериквальный канал (CE)", "в цериквальном канале", "Cervical swab (CE)",
             "in cervical swab"},
            {"SF", "Эякулят (SF)", "в эякуляте", "Semen fluid (SF)", "in semen fluid"},
            {"ETC", "Другое (ETC)", "", "Another (ETC)", ""},
        };
        QVector<SampleType> v;
        for (const auto& r : t)
            v.append({QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), QString::fromUtf8(r[2]),
                      QString::fromUtf8(r[3]), QString::fromUtf8(r[4])});
        return v;
    }();
    return rows;
}

QString name(int row, unsigned char language)
{
    if (row < 0 || row >= Count)
        return QString();
    return language == 0 ? table()[row].enName : table()[row].ruName;
}

QString phrase(unsigned char code, unsigned char language)
{
    if (code >= Count)
        return QString();
    return language == 0 ? table()[code].enPhrase : table()[code].ruPhrase;
}

int templateType(unsigned char code)
{
    switch (code) {
    case 6:
    case 8:
    case 10:
    case 14:
    case 18:
        return 2;
    case 0:
    case 1:
    case 3:
    case 5:
    case 7:
    case 15:
    case 19:
        return 3;
    default:
        return 1;
    }
}

} // namespace SampleTypes
