#include "data/sample/sampledata.h"

#include "data/database/database.h"
#include "data/tablewriter.h"

#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace tavro {

namespace {

// splitmix64: the same numbers on every machine, unlike <random>'s distributions.
class Rng {
public:
    explicit Rng(std::uint64_t seed)
        : m_state(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    template <typename T, std::size_t N>
    const T &pick(const std::array<T, N> &items)
    {
        return items[below(static_cast<int>(N))];
    }

private:
    std::uint64_t m_state;
};

// 24 invented cities, each with its directorate.
struct City {
    const char *name;
    const char *region;
};
constexpr std::array<City, 24> kCities = {{
    {"VALMÉRIN", "DR NORD"},         {"TAZROUKT", "DR NORD"},          {"OMBREVENT", "DR NORD-EST"},
    {"SIDI KALMAR", "DR NORD-EST"},  {"PORT-AURÉLINE", "DR LITTORAL"}, {"ZERHANET", "DR LITTORAL"},
    {"IFRASSEN", "DR CENTRE"},       {"BÉLOUMAR", "DR CENTRE"},        {"KESTARANE", "DR CENTRE"},
    {"NOUVELLE-ALDORA", "DR OUEST"}, {"TIZNOUK", "DR OUEST"},          {"EL QAROUNA", "DR ORIENT"},
    {"SAINT-ORBEL", "DR ORIENT"},    {"AÏN SAMRIT", "DR SUD"},         {"MIRZABA", "DR SUD"},
    {"FORT-LUCENNE", "DR SUD-EST"},  {"TAGARRIT", "DR SUD-EST"},       {"OUED ZIMAR", "DR MONTAGNE"},
    {"LEMSARA", "DR MONTAGNE"},      {"KARBELOU", "DR CENTRE-SUD"},    {"IMINTAR", "DR CENTRE-SUD"},
    {"BORDJ-ELSANE", "DR ORIENT"},   {"ASSAROUF", "DR SUD"},           {"CÉLESTINE-PLAGE", "DR LITTORAL"},
}};

// clang-format off
constexpr std::array<const char *, 24> kQuarters = {
    "CENTRE",     "GARE",        "MÉDINA",       "PLATEAU",      "HAY NASR",      "LES ROSES",
    "L'OASIS",    "ÉCOLE NORMALE", "MARCHÉ",     "SOUK JDID",    "ZONE INDUSTRIELLE", "HAUTS-PLATEAUX",
    "BAB L'AÏN",  "ÉTOILE",      "PORT",         "CASERNE",      "HÔPITAL",       "STADE",
    "CITÉ ADMINISTRATIVE", "AÉROPORT", "UNIVERSITÉ", "ORANGERAIE", "CORNICHE", "VIEUX PONT",
};
// clang-format on

constexpr std::array<const char *, 10> kStreetKinds = {
    "Rue", "Avenue", "Boulevard", "Impasse", "Quartier", "Derb", "Place", "Allée", "Lotissement", "Cité",
};

constexpr std::array<const char *, 30> kStreetNames = {
    "des Oliviers",      "de l'Église",  "du Marché",     "des Amandiers",  "de la Gare",       "des Roses",
    "de l'Indépendance", "des Orangers", "du Moulin",     "des Tisserands", "de la Fontaine",   "des Écoles",
    "du Phare",          "des Palmiers", "de l'Aqueduc",  "des Cèdres",     "du Château d'Eau", "des Potiers",
    "de la Liberté",     "des Jasmins",  "du Vieux Souk", "des Grenadiers", "de l'Oued",        "des Hirondelles",
    "du Belvédère",      "des Figuiers", "de la Kasbah",  "des Œillets",    "du Levant",        "des Artisans",
};

QString text(const char *s)
{
    return QString::fromUtf8(s);
}

QString titleCase(const QString &upper)
{
    QString out = upper.toLower();
    bool start = true;
    for (QChar &c : out) {
        if (start && c.isLetter())
            c = c.toUpper();
        start = !c.isLetter();
    }
    return out;
}

QString phone(Rng &rng)
{
    // 0500 numbers are not given out: every number here is invented.
    return QStringLiteral("0500-%1").arg(100000 + rng.below(900000));
}

// The tables' columns by name: a column added or moved shifts nothing here.
constexpr const TableDef &CODE = kCodeTable;
constexpr const TableDef &TELE = kTeleTable;
constexpr const TableDef &QRT = kQrtTable;

// The rows, table after table as a writer takes them.
Status writeRows(TableWriter &writer, int offices, int streets, SampleCounts &made)
{
    Rng rng(20031107);
    // Telephone rows are drawn with their office and written after CODE.
    QList<RowValues> tele;
    if (Status started = writer.startTable(CODE); !started)
        return started;

    // Offices: one principal office per city, then its ZOLT offices and
    // KIRB agencies. Edge rows come first so every size has them.
    Status outcome;
    auto addOffice = [&](const QString &agence, const std::optional<QString> &cp, const QString &province,
                         const std::optional<QString> &region, int telRows) {
        if (outcome) {
            outcome = writer.addRow(TableRow(CODE)
                                        .set(CODE.column("AGENCE"), agence)
                                        .set(CODE.column("CPOSTALE"), cp)
                                        .set(CODE.column("PROVINCE"), province)
                                        .set(CODE.column("REGION"), region)
                                        .values());
        }
        ++made.code;
        for (int t = 0; t < telRows; ++t) {
            const QString street = text(rng.pick(kStreetKinds)) + QLatin1Char(' ') + text(rng.pick(kStreetNames));
            const QString address = QStringLiteral("%1, %2, %3").arg(1 + rng.below(180)).arg(street, titleCase(province));
            const std::optional<QString> fax = rng.below(5) == 0 ? std::nullopt : std::optional(phone(rng));
            tele.append(TableRow(TELE)
                            .set(TELE.column("AGENCE"), agence)
                            .set(TELE.column("TEL"), phone(rng))
                            .set(TELE.column("PROVINCE"), province)
                            .set(TELE.column("REGION"), region)
                            .set(TELE.column("ADRESSE"), address)
                            .set(TELE.column("FAX"), fax)
                            .values());
        }
    };

    addOffice(QStringLiteral("École Normale ZOLT"), QStringLiteral("10120"), text(kCities[0].name), text(kCities[0].region), 1);
    addOffice(QStringLiteral("AGENCE DE L'ÉTOILE"), QStringLiteral("10140"), text(kCities[0].name), text(kCities[0].region), 1);
    addOffice(QStringLiteral("BUREAU SANS TÉLÉPHONE"), QStringLiteral("10160"), text(kCities[0].name), text(kCities[0].region),
              0);
    addOffice(QStringLiteral("GUICHET DEUX LIGNES"), QStringLiteral("10180"), text(kCities[0].name), text(kCities[0].region), 2);
    addOffice(QStringLiteral("GUICHET SANS DIRECTION"), QStringLiteral("12020"), text(kCities[1].name), std::nullopt, 1);
    addOffice(QStringLiteral("AGENCE CODE VIDE"), QString(), text(kCities[1].name), text(kCities[1].region), 1);
    // A telephone row whose office name was never filled in.
    tele.append(TableRow(TELE)
                    .set(TELE.column("TEL"), phone(rng))
                    .set(TELE.column("PROVINCE"), text(kCities[1].name))
                    .set(TELE.column("REGION"), text(kCities[1].region))
                    .set(TELE.column("ADRESSE"), QStringLiteral("Sans adresse"))
                    .values());

    for (int i = 0; made.code < offices; ++i) {
        const int c = i % int(kCities.size());
        const City &city = kCities[c];
        const int round = i / int(kCities.size());
        const QString province = text(city.name);
        const int base = 10000 + c * 2000;
        QString agence;
        if (round == 0) {
            agence = province + QStringLiteral(" PRINCIPALE");
        } else {
            const QString quarter = text(kQuarters[(round - 1 + c) % int(kQuarters.size())]);
            const int series = (round - 1) / int(kQuarters.size());
            const bool kirb = (round % 3) == 0;
            agence = (kirb ? QStringLiteral("KIRB ") : QStringLiteral("ZOLT ")) + province + QLatin1Char(' ') + quarter;
            if (series > 0)
                agence += QStringLiteral(" %1").arg(series + 1);
        }
        const QString cp = QString::number(base + (round * 20) % 2000).rightJustified(5, QLatin1Char('0'));
        addOffice(agence, cp, province, text(city.region), (i % 97 == 50) ? 0 : 1);
    }
    if (!outcome)
        return outcome;

    if (Status started = writer.startTable(TELE); !started)
        return started;
    for (const RowValues &row : std::as_const(tele)) {
        if (Status added = writer.addRow(row); !added)
            return added;
    }
    made.tele = tele.size();

    if (Status started = writer.startTable(QRT); !started)
        return started;
    for (qint64 i = 0; made.qrt < streets; ++i) {
        const int c = int(i % qint64(kCities.size()));
        const qint64 n = i / qint64(kCities.size());
        const QString street = text(kStreetKinds[n % kStreetKinds.size()]) + QLatin1Char(' ')
                               + text(kStreetNames[(n / kStreetKinds.size() + c) % kStreetNames.size()]);
        const qint64 series = n / qint64(kStreetKinds.size() * kStreetNames.size());
        const QString name = series ? street + QStringLiteral(" %1").arg(series + 1) : street;
        const QString cp = QString::number(10000 + c * 2000 + (n * 10) % 2000);
        const std::optional<QString> city = (i == 37) ? std::nullopt : std::optional(titleCase(text(kCities[c].name)));
        const RowValues row = TableRow(QRT)
                                  .set(QRT.column("QUARTIER"), name)
                                  .set(QRT.column("CPOSTALE"), cp)
                                  .set(QRT.column("PROVINCE"), city)
                                  .values();
        if (Status added = writer.addRow(row); !added)
            return added;
        ++made.qrt;
    }
    return writer.commit();
}

} // namespace

Result<SampleCounts> writeSampleDatabase(const QString &target, const SampleOptions &options)
{
    const int offices = options.offices > 0 ? options.offices : qMax(1, int(960 * options.scale));
    const int streets = options.streets > 0 ? options.streets : qMax(1, int(2400 * options.scale));
    SampleCounts made;
    auto writer = Database(target).writer(WriteOptions{options.replace});
    if (!writer)
        return writer.status();
    if (Status written = writeRows(**writer, offices, streets, made); !written)
        return written;
    return made;
}

} // namespace tavro
