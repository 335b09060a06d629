#include "demogenerator.h"

#include "demorandom.h"
#include "russiannames.h"

#include <database.h>
#include <query.h>
#include <transaction.h>

#include <QStringList>
#include <QVariant>

#include <array>
#include <map>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Students committed together; the generator keeps no more than this many in one transaction.
constexpr int BatchSize = 5000;
constexpr int ProgressStep = 1000;

// "Held since admission" in the history tables.
const QDate SinceAdmission(1900, 1, 1);

// Specialities of the reference data, with their share of the students and of the forms of
// study (day, evening, extramural).
struct Speciality
{
    short id;
    short department;
    short courses;
    double share;
    std::array<double, 3> forms;
    int groupBase; // first group number of the speciality inside its faculty
    std::array<short, 3> posts;
};

const Speciality specialities[] = {
        {1, 1, 6, 34, {1, 0, 0}, 0, {1, 3, 1}},
        {2, 2, 6, 15, {1, 0, 0}, 0, {2, 2, 3}},
        {3, 3, 5, 12, {1, 0, 0}, 0, {4, 4, 4}},
        {4, 4, 5, 12, {0.75, 0, 0.25}, 0, {5, 5, 5}},
        {5, 5, 6, 8, {1, 0, 0}, 0, {6, 7, 6}},
        {6, 6, 4, 9, {0.4, 0.3, 0.3}, 0, {8, 8, 8}},
        {7, 7, 6, 2.5, {1, 0, 0}, 0, {9, 9, 9}},
        {8, 7, 6, 1.5, {1, 0, 0}, 30, {9, 9, 9}},
        {9, 7, 6, 2, {1, 0, 0}, 60, {9, 9, 9}},
        {10, 8, 6, 4, {1, 0, 0}, 0, {3, 3, 3}},
};

const char16_t *const formCodes[] = {u"ДН", u"ВЧ", u"ЗЧ"};
const char16_t *const formSuffixes[] = {u"", u"в", u"з"};

// Regions of the reference data with a town of each and the passport office's name.
struct Region
{
    short id;
    double share;
    const char16_t *town;
    const char16_t *passportOffice;
};

const Region regions[] = {
        {1, 30, u"г. Москва", u"ГУ МВД России по г. Москве"},
        {2, 18, u"г. Подольск", u"ГУ МВД России по Московской области"},
        {3,
         3,
         u"г. Санкт-Петербург",
         u"ГУ МВД России по г. Санкт-Петербургу и Ленинградской области"},
        {4, 2, u"г. Гатчина", u"ГУ МВД России по г. Санкт-Петербургу и Ленинградской области"},
        {5, 4, u"г. Тверь", u"УМВД России по Тверской области"},
        {6, 4, u"г. Тула", u"УМВД России по Тульской области"},
        {7, 3, u"г. Калуга", u"УМВД России по Калужской области"},
        {8, 3, u"г. Рязань", u"УМВД России по Рязанской области"},
        {9, 3, u"г. Владимир", u"УМВД России по Владимирской области"},
        {10, 3, u"г. Ярославль", u"УМВД России по Ярославской области"},
        {11, 2, u"г. Смоленск", u"УМВД России по Смоленской области"},
        {12, 2, u"г. Брянск", u"УМВД России по Брянской области"},
        {13, 2, u"г. Курск", u"УМВД России по Курской области"},
        {14, 3, u"г. Воронеж", u"ГУ МВД России по Воронежской области"},
        {15, 2, u"г. Белгород", u"УМВД России по Белгородской области"},
        {16, 3, u"г. Нижний Новгород", u"ГУ МВД России по Нижегородской области"},
        {17, 3, u"г. Казань", u"МВД по Республике Татарстан"},
        {18, 3, u"г. Краснодар", u"ГУ МВД России по Краснодарскому краю"},
        {19, 3, u"г. Ростов-на-Дону", u"ГУ МВД России по Ростовской области"},
        {20, 2, u"г. Махачкала", u"МВД по Республике Дагестан"},
};

const char16_t *const streets[]
        = {u"ул. Ленина",       u"ул. Советская", u"ул. Мира",        u"ул. Гагарина",
           u"пр-т Победы",      u"ул. Садовая",   u"ул. Пушкина",     u"ул. Молодёжная",
           u"ул. Школьная",     u"ул. Лесная",    u"ул. Центральная", u"ул. Набережная",
           u"ул. Кирова",       u"ул. Чехова",    u"ул. Строителей",  u"ул. Комсомольская",
           u"ул. Первомайская", u"ул. Полевая",   u"ул. Гоголя",      u"ул. Заречная"};

const char16_t *const mailDomains[]
        = {u"mail.ru", u"yandex.ru", u"gmail.com", u"bk.ru", u"inbox.ru", u"list.ru"};

const char16_t *const employers[] = {u"ГБУЗ «Городская поликлиника № %1»",
                                     u"ГБУЗ «Городская клиническая больница № %1»",
                                     u"ГБУЗ «Центральная районная больница»",
                                     u"ГБУЗ «Детская городская поликлиника № %1»",
                                     u"ООО «Медицинский центр «Здоровье»"};

// Reasons and kinds of movement of the reference data.
enum Movement : short {
    mvAdmission = 1,
    mvNextCourse = 3,
    mvToBudget = 6,
    mvLeave = 7,
    mvExpulsion = 10,
    mvGraduation = 11,
    mvNameChange = 12
};
enum Reason : short {
    rsEntrance = 1,
    rsCurriculumDone = 2,
    rsOwnWish = 3,
    rsHealth = 4,
    rsFailure = 5,
    rsContract = 6,
    rsTransfer = 7,
    rsGraduated = 8,
    rsFamily = 10,
    rsChildBirth = 11,
    rsMarriage = 13,
    rsApplication = 14
};
enum Status : short {
    stStudying = 1,
    stLeave = 2,
    stChildLeave = 3,
    stExpelled = 4,
    stGraduate = 5
};

// The history tables and their value columns.
enum History {
    hsMovement,
    hsFio,
    hsDepartment,
    hsSpeciality,
    hsCourse,
    hsGroup,
    hsForm,
    hsBasis,
    hsStatus,
    HistoryCount
};

struct HistoryTable
{
    const char *name;
    const char *columns;
};

const HistoryTable historyTables[HistoryCount] = {
        {"HS_MOVEMENT", "MOVEMENTID,REASONID"},
        {"HS_FIO", "LASTNAME,FIRSTNAME,MIDDLENAME,FIO"},
        {"HS_DEPARTMENT", "DEPARTMENTID"},
        {"HS_SPECIALITY", "SPECIALITYID"},
        {"HS_COURSE", "COURSE"},
        {"HS_GROUPNUM", "GROUPNUM"},
        {"HS_EDUFORM", "EDUFORMID"},
        {"HS_EDUBASIS", "EDUBASISID"},
        {"HS_STATUS", "STATUSID"},
};

const char *const studentColumns
        = "STUDENTID,LASTNAME,FIRSTNAME,MIDDLENAME,FIO,FIOLAT,SEX,BIRTHDATE,BIRTHADDRESS,COUNTRYID,"
          "REGIONID,IDCODE,SNILS,FAMILYSTATUS,PASSPORTSERIES,PASSPORTNUM,PASSPORTGIVEDATE,"
          "PASSPORTGIVEPLACE,ADDRESSBEFORE,ADDRESSNOW,ADDRESSOFPARENTS,PHONE,EMAIL,HOSTEL,"
          "DEPARTMENTID,SPECIALITYID,COURSE,GROUPNUM,EDUFORMID,EDUBASISID,STATUSID,RECORDBOOKNUM,"
          "ADMISSIONDATE,ADMISSIONORDER,GRADUATIONDATE,ENTRYSCORE,PREVEDUCATION,PREVEDUDOCUMENT,"
          "DIRECTIONPLACEID,DIRECTIONPLACETYPE,POSTID,HOSPITALTYPEID,HOSPITALSTATUSID,MINISTRYID,"
          "HOSPITAL,HABITATION,CONSENT,OWNER,ARCHIVE";

// One prepared insert into a table, its values given in column order.
class TableWriter
{
public:
    TableWriter(fb::Transaction &transaction, const QString &table, const QStringList &columns)
        : m_query(transaction)
    {
        QStringList params;
        for (const QString &column : columns)
            params << u'?' + column;
        m_query.setSql(u"insert into %1 (%2) values (%3)"_s.arg(
                table, columns.join(u", "), params.join(u", ")));
        m_query.prepare();
    }

    void insert(const QVariantList &values)
    {
        for (int i = 0; i < values.size(); ++i)
            m_query.setParam(i, values[i]);
        m_query.execute();
    }

private:
    fb::Query m_query;
};

struct HistoryRow
{
    History table;
    QDate date;
    QVariantList values;
};

// Everything about one student: the STUDENTS values by column name and the history rows.
struct DemoStudent
{
    std::map<QString, QVariant> fields;
    std::vector<HistoryRow> history;

    void set(const QString &column, const QVariant &value) { fields[column] = value; }
    void add(History table, const QDate &date, const QVariantList &values)
    {
        history.push_back({table, date, values});
    }
};

QString digits(DemoRandom &random, int count)
{
    QString s;
    for (int i = 0; i < count; ++i)
        s += QChar(u'0' + random.between(0, 9));
    return s;
}

QDate randomDay(DemoRandom &random, const QDate &from, int days)
{
    return from.addDays(random.between(0, days - 1));
}

// Makes one student after another from the random source.
class StudentMaker
{
public:
    StudentMaker(DemoRandom &random, int year, int total)
        : m_random(random)
        , m_year(year)
        , m_total(total)
    {
        for (const Speciality &s : specialities)
            m_specialityShares.push_back(s.share);
        for (const Region &r : regions)
            m_regionShares.push_back(r.share);
    }

    DemoStudent make(qint64 id);

private:
    QString groupNumber(const Speciality &speciality, int course, int form, int group) const;
    int groupsPerCourse(const Speciality &speciality) const;
    void addPerson(DemoStudent &s, Sex sex, const PersonName &name, int admissionYear);
    void addPlacement(DemoStudent &s, const Speciality &speciality);

    DemoRandom &m_random;
    int m_year;
    int m_total;
    std::vector<double> m_specialityShares;
    std::vector<double> m_regionShares;
    std::map<int, int> m_recordBooks; // last record book number by admission year and faculty
};

int StudentMaker::groupsPerCourse(const Speciality &speciality) const
{
    const double perCourse = m_total * speciality.share / 100.0 / speciality.courses;
    return std::clamp(int(perCourse / 25.0 + 0.5), 1, 29);
}

QString
StudentMaker::groupNumber(const Speciality &speciality, int course, int form, int group) const
{
    // Course, faculty and the group's number: 3104 is the fourth group of the third course of
    // the first faculty; evening and extramural groups carry a letter.
    return u"%1%2%3%4"_s.arg(course)
            .arg(speciality.department)
            .arg(speciality.groupBase + group, 2, 10, QChar(u'0'))
            .arg(QString::fromUtf16(formSuffixes[form]));
}

void StudentMaker::addPerson(DemoStudent &s, Sex sex, const PersonName &name, int admissionYear)
{
    DemoRandom &r = m_random;
    const int age = r.weighted({40, 40, 10, 5, 5}) + 17;
    const QDate birth = randomDay(r, QDate(admissionYear - age - 1, 9, 2), 365);
    const bool foreign = r.chance(0.05);
    const Region &region = regions[r.weighted(m_regionShares)];
    const QString town = QString::fromUtf16(region.town);
    const QString home = u"%1, %2, д. %3, кв. %4"_s.arg(town, QString::fromUtf16(r.pick(streets)))
                                 .arg(r.between(1, 120))
                                 .arg(r.between(1, 250));

    s.set(u"SEX"_s, sex == Sex::Male ? u"М"_s : u"Ж"_s);
    s.set(u"BIRTHDATE"_s, birth);
    s.set(u"BIRTHADDRESS"_s, town);
    s.set(u"COUNTRYID"_s, foreign ? r.between(2, 9) : 1);
    s.set(u"REGIONID"_s, foreign ? QVariant() : QVariant(region.id));
    s.set(u"FIOLAT"_s, RussianNames::transliterate(name.lastName + u' ' + name.firstName));
    if (!foreign) {
        s.set(u"IDCODE"_s, u"77"_s + digits(r, 10));
        s.set(u"SNILS"_s,
              u"%1-%2-%3 %4"_s.arg(digits(r, 3), digits(r, 3), digits(r, 3), digits(r, 2)));
        const QDate issued = randomDay(r, birth.addYears(age >= 20 ? 20 : 14), 90);
        s.set(u"PASSPORTSERIES"_s, digits(r, 4));
        s.set(u"PASSPORTNUM"_s, digits(r, 6));
        s.set(u"PASSPORTGIVEDATE"_s, issued);
        s.set(u"PASSPORTGIVEPLACE"_s, QString::fromUtf16(region.passportOffice));
    }
    const bool hostel = region.id != 1 && r.chance(0.6);
    s.set(u"HOSTEL"_s, hostel ? 1 : 0);
    s.set(u"ADDRESSBEFORE"_s, home);
    s.set(u"ADDRESSOFPARENTS"_s, home);
    s.set(u"ADDRESSNOW"_s,
          hostel ? u"г. Москва, ул. Вавилова, д. 7, общежитие № %1, комн. %2"_s.arg(r.between(1, 4))
                           .arg(r.between(101, 940))
          : region.id == 1
                  ? home
                  : u"г. Москва, %1, д. %2, кв. %3"_s.arg(QString::fromUtf16(r.pick(streets)))
                            .arg(r.between(1, 120))
                            .arg(r.between(1, 250)));
    s.set(u"PHONE"_s,
          u"+7 9%1 %2-%3-%4"_s.arg(digits(r, 2), digits(r, 3), digits(r, 2), digits(r, 2)));
    s.set(u"EMAIL"_s,
          u"%1.%2%3@%4"_s.arg(RussianNames::transliterate(name.firstName).toLower(),
                              RussianNames::transliterate(name.lastName).toLower(),
                              digits(r, 2),
                              QString::fromUtf16(r.pick(mailDomains))));
    s.set(u"FAMILYSTATUS"_s, 1);
    s.set(u"CONSENT"_s, 1);
}

void StudentMaker::addPlacement(DemoStudent &s, const Speciality &speciality)
{
    DemoRandom &r = m_random;
    const short post = speciality.posts[r.between(0, 2)];
    const bool pharmacy = post == 5;
    const bool hygiene = post == 6 || post == 7;
    s.set(u"POSTID"_s, post);
    s.set(u"HOSPITALTYPEID"_s, pharmacy ? 4 : hygiene ? 5 : post == 4 ? 6 : r.between(1, 2));
    s.set(u"HOSPITALSTATUSID"_s, r.weighted({70, 20, 0, 10}) + 1);
    s.set(u"MINISTRYID"_s, hygiene ? 3 : r.chance(0.1) ? 2 : 1);
    QString employer = QString::fromUtf16(r.pick(employers));
    const int number = r.between(1, 220);
    if (employer.contains(u"%1"_s))
        employer = employer.arg(number);
    s.set(u"HOSPITAL"_s,
          pharmacy ? u"ГУП «Областная фармация», аптека № %1"_s.arg(number % 90 + 1)
          : hygiene ? u"ФБУЗ «Центр гигиены и эпидемиологии»"_s
                    : employer);
    s.set(u"HABITATION"_s, r.chance(0.3) ? 1 : 0);
}

DemoStudent StudentMaker::make(qint64 id)
{
    DemoRandom &r = m_random;
    DemoStudent s;
    const Speciality &speciality = specialities[r.weighted(m_specialityShares)];
    const int form = r.weighted({speciality.forms[0], speciality.forms[1], speciality.forms[2]});
    const Sex sex = r.chance(0.7) ? Sex::Female : Sex::Male;
    PersonName name = RussianNames::make(r, sex);

    // The student's fate: studying now, on leave, expelled or graduated.
    const int fate = r.weighted({83, 4, 1, 6, 6});
    const int courses = speciality.courses;
    int course = 0;    // the course reached
    int admission = 0; // year of admission
    switch (fate) {
    case 0:
    case 1:
    case 2:
        course = std::min(r.weighted({20, 18, 17, 16, 15, 14}) + 1, courses);
        // A year of leave delays the course by one year.
        admission = m_year - course + 1 - (fate == 0 ? 0 : 1);
        break;
    case 3:
        admission = m_year - r.between(1, courses + 1);
        course = r.between(1, std::min(m_year - admission, courses));
        break;
    default:
        admission = m_year - courses - r.between(0, 4);
        course = courses;
        break;
    }
    const QDate admitted(admission, 9, 1);
    const int groups = groupsPerCourse(speciality);
    const int group = r.between(1, groups);
    const bool budget = r.chance(form == 0 ? 0.55 : 0.3);
    QString basis = budget ? u"Б"_s : u"К"_s;

    addPerson(s, sex, name, admission);
    s.set(u"STUDENTID"_s, id);
    s.set(u"DEPARTMENTID"_s, speciality.department);
    s.set(u"SPECIALITYID"_s, speciality.id);
    s.set(u"EDUFORMID"_s, QString::fromUtf16(formCodes[form]));
    s.set(u"ADMISSIONDATE"_s, admitted);
    s.set(u"ADMISSIONORDER"_s, u"%1-с"_s.arg(r.between(100, 999)));
    s.set(u"ENTRYSCORE"_s, double(budget ? r.between(210, 300) : r.between(160, 260)));
    const int schoolNumber = r.between(1, 150);
    const QString town = s.fields[u"BIRTHADDRESS"_s].toString();
    if (speciality.id == 6 && form != 0) {
        s.set(u"PREVEDUCATION"_s,
              u"ГБПОУ «Медицинский колледж № %1», %2"_s.arg(r.between(1, 9)).arg(town));
        s.set(u"PREVEDUDOCUMENT"_s,
              u"Диплом о среднем профессиональном образовании № %1"_s.arg(digits(r, 14)));
    } else {
        s.set(u"PREVEDUCATION"_s,
              (r.chance(0.25) ? u"МАОУ «Гимназия № %1», %2"_s
                              : u"МБОУ «Средняя общеобразовательная школа № %1», %2"_s)
                      .arg(schoolNumber)
                      .arg(town));
        s.set(u"PREVEDUDOCUMENT"_s,
              u"Аттестат о среднем общем образовании № %1"_s.arg(digits(r, 14)));
    }
    if (budget && r.chance(0.12)) {
        const int place = r.between(1, 8);
        s.set(u"DIRECTIONPLACEID"_s, place);
        s.set(u"DIRECTIONPLACETYPE"_s, place == 6 ? 3 : place == 7 ? 2 : place == 8 ? 4 : 1);
    }
    const int book = ++m_recordBooks[admission * 100 + speciality.department];
    s.set(u"RECORDBOOKNUM"_s,
          u"%1%2%3"_s.arg(admission % 100, 2, 10, QChar(u'0'))
                  .arg(speciality.department)
                  .arg(book, 4, 10, QChar(u'0')));

    // Admission and one transfer a year.
    s.add(hsMovement, admitted, {mvAdmission, rsEntrance});
    s.add(hsDepartment, SinceAdmission, {speciality.department});
    s.add(hsSpeciality, SinceAdmission, {speciality.id});
    s.add(hsForm, SinceAdmission, {QString::fromUtf16(formCodes[form])});
    s.add(hsStatus, SinceAdmission, {stStudying});
    for (int c = 1; c <= course; ++c) {
        const QDate date = c == 1 ? SinceAdmission : QDate(admission + c - 1, 9, 1);
        s.add(hsCourse, date, {c});
        s.add(hsGroup, date, {groupNumber(speciality, c, form, group)});
        if (c > 1)
            s.add(hsMovement, date, {mvNextCourse, rsCurriculumDone});
    }

    // Some contract students move to a budget place after a winter session.
    const int yearsDone = std::min(m_year - admission, course) - 1;
    if (!budget && fate == 0 && yearsDone >= 1 && r.chance(0.08)) {
        const QDate date(admission + r.between(1, yearsDone), 2, 1);
        s.add(hsBasis, SinceAdmission, {basis});
        basis = u"Б"_s;
        s.add(hsBasis, date, {basis});
        s.add(hsMovement, date, {mvToBudget, rsApplication});
    } else {
        s.add(hsBasis, SinceAdmission, {basis});
    }

    // Some women change their surname on marriage, in a summer holiday.
    PersonName current = name;
    s.add(hsFio, SinceAdmission, {name.lastName, name.firstName, name.middleName, name.full()});
    if (sex == Sex::Female && course >= 2 && r.chance(0.12)) {
        const QDate date = randomDay(r, QDate(admission + r.between(1, course - 1), 7, 1), 55);
        current.lastName = RussianNames::surname(r, Sex::Female);
        s.add(hsFio,
              date,
              {current.lastName, current.firstName, current.middleName, current.full()});
        s.add(hsMovement, date, {mvNameChange, rsMarriage});
        s.set(u"FAMILYSTATUS"_s, 2);
    }

    // The state the student is in now.
    Status status = stStudying;
    const QDate yearStart(admission + course - 1, 9, 1);
    switch (fate) {
    case 1:
    case 2: {
        status = fate == 2 && sex == Sex::Female ? stChildLeave : stLeave;
        const QDate date = randomDay(r, yearStart.addMonths(1), 240);
        s.add(hsStatus, date, {status});
        s.add(hsMovement,
              date,
              {mvLeave,
               status == stChildLeave ? rsChildBirth
               : r.chance(0.6)        ? rsHealth
                                      : rsFamily});
        break;
    }
    case 3: {
        status = stExpelled;
        const QDate date = randomDay(r, yearStart.addMonths(1), 240);
        const Reason reasons[]
                = {rsFailure, rsFailure, rsOwnWish, rsContract, rsTransfer, rsHealth};
        s.add(hsStatus, date, {status});
        s.add(hsMovement, date, {mvExpulsion, r.pick(reasons)});
        break;
    }
    case 4: {
        status = stGraduate;
        const QDate date(admission + courses, 6, 30);
        s.add(hsStatus, date, {status});
        s.add(hsMovement, date, {mvGraduation, rsGraduated});
        s.set(u"GRADUATIONDATE"_s, date);
        addPlacement(s, speciality);
        break;
    }
    default:
        break;
    }

    s.set(u"LASTNAME"_s, current.lastName);
    s.set(u"FIRSTNAME"_s, current.firstName);
    s.set(u"MIDDLENAME"_s, current.middleName);
    s.set(u"FIO"_s, current.full());
    s.set(u"COURSE"_s, course);
    s.set(u"GROUPNUM"_s, groupNumber(speciality, course, form, group));
    s.set(u"EDUBASISID"_s, basis);
    s.set(u"STATUSID"_s, status);
    s.set(u"OWNER"_s, u"SYSDBA"_s);
    s.set(u"ARCHIVE"_s, status == stExpelled || status == stGraduate ? 1 : 0);
    return s;
}

} // namespace

DemoGenerator::DemoGenerator(fb::Database &database, const Settings &settings)
    : m_database(database)
    , m_settings(settings)
{
    if (m_settings.year == 0)
        m_settings.year = academicYear(QDate::currentDate());
}

int DemoGenerator::academicYear(const QDate &date)
{
    return date.month() >= 9 ? date.year() : date.year() - 1;
}

void DemoGenerator::run()
{
    const int total = m_settings.students;
    if (total <= 0)
        return;
    fb::Transaction transaction(m_database);
    transaction.start();
    // Keys from the common key sequence, drawn in one step.
    const qint64 lastId
            = fb::Query::scalar(transaction,
                                u"select GEN_ID(GEN_UID, %1) from RDB$DATABASE"_s.arg(total))
                      .toLongLong();
    const qint64 firstId = lastId - total + 1;

    const QStringList columns = QString::fromLatin1(studentColumns).split(u',');
    TableWriter students(transaction, u"STUDENTS"_s, columns);
    std::vector<std::unique_ptr<TableWriter>> history;
    for (const HistoryTable &table : historyTables) {
        QStringList historyColumns{u"STUDENTID"_s, u"BEGINDATE"_s};
        historyColumns += QString::fromLatin1(table.columns).split(u',');
        history.push_back(std::make_unique<TableWriter>(
                transaction, QString::fromLatin1(table.name), historyColumns));
    }

    DemoRandom random(m_settings.seed);
    StudentMaker maker(random, m_settings.year, total);
    QVariantList values;
    for (int i = 0; i < total; ++i) {
        const qint64 id = firstId + i;
        const DemoStudent student = maker.make(id);
        values.clear();
        for (const QString &column : columns) {
            const auto it = student.fields.find(column);
            values << (it == student.fields.end() ? QVariant() : it->second);
        }
        students.insert(values);
        for (const HistoryRow &row : student.history)
            history[row.table]->insert(QVariantList{id, row.date} + row.values);
        const int done = i + 1;
        if (done % BatchSize == 0)
            transaction.commitRetaining();
        if (m_progress && (done % ProgressStep == 0 || done == total))
            m_progress(done, total);
    }
    transaction.commit();
}
