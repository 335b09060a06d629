#pragma once

#include <QString>

class DemoRandom;

enum class Sex { Male, Female };

// A Russian full name: surname, given name and patronymic.
struct PersonName
{
    QString lastName;
    QString firstName;
    QString middleName;

    QString full() const { return lastName + u' ' + firstName + u' ' + middleName; }
};

// Realistic Russian names for the demo data: common surnames in the form of the person's sex,
// given names of both sexes and patronymics made from a father's name.
class RussianNames
{
public:
    static PersonName make(DemoRandom &random, Sex sex);
    // The surname in the other sex's form (Иванов -> Иванова, Вишневский -> Вишневская;
    // Шевченко and Черных stay as they are). surname is given in the male form.
    static QString feminine(const QString &surname);
    static QString surname(DemoRandom &random, Sex sex);
    // Latin spelling of Cyrillic text as in the Russian passport (Щукина -> Shchukina).
    static QString transliterate(const QString &text);
};
