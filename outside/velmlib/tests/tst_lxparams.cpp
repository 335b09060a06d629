#include <lxparams.h>
#include <lxparamsobject.h>

#include <lxerror.h>

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>
#include <QTimeZone>
#include <QtEndian>

#include <bit>
#include <cmath>
#include <limits>

namespace {

std::string describe(const QVariant &value)
{
    return QStringLiteral("%1(%2)")
            .arg(QString::fromLatin1(value.metaType().name()), value.toString())
            .toStdString();
}

// Equal in kind and in every detail QVariant's own comparison may overlook: the bits of a
// double, the Qt::TimeSpec, offset and zone of a date and time.
bool identical(const QVariant &a, const QVariant &b)
{
    if (a.metaType() != b.metaType())
        return false;
    switch (a.metaType().id()) {
    case QMetaType::Double:
        return std::bit_cast<quint64>(a.toDouble()) == std::bit_cast<quint64>(b.toDouble());
    case QMetaType::QDateTime: {
        const QDateTime x = a.toDateTime();
        const QDateTime y = b.toDateTime();
        if (!x.isValid() || !y.isValid())
            return x.isValid() == y.isValid();
        return x.date() == y.date() && x.time() == y.time() && x.timeSpec() == y.timeSpec()
               && x.offsetFromUtc() == y.offsetFromUtc() && x.timeZone() == y.timeZone();
    }
    default:
        return a == b;
    }
}

std::string failure(ILxParams &params, const QByteArray &bytes)
{
    try {
        params.LoadFromBytes(bytes);
    } catch (const LxError &error) {
        return error.message().toStdString();
    }
    return "(loaded)";
}

struct NamedValue
{
    const char *name;
    QVariant value;
};

std::vector<NamedValue> everyKind()
{
    const QDate date(2024, 2, 29);
    const QTime time(23, 59, 58, 999);
    return {
            {"empty", QVariant()},
            {"null", LxNull()},
            {"text", QStringLiteral("Приказ № 5\r\n\"зачислить\"")},
            {"empty text", QString()},
            {"lone surrogate", QString(QChar(0xD800)) + QChar(u'x')},
            {"integer", QVariant(qint64(42))},
            {"smallest integer", QVariant(std::numeric_limits<qint64>::min())},
            {"largest integer", QVariant(std::numeric_limits<qint64>::max())},
            {"double", QVariant(0.1)},
            {"negative zero", QVariant(-0.0)},
            {"infinity", QVariant(-std::numeric_limits<double>::infinity())},
            {"not a number", QVariant(std::numeric_limits<double>::quiet_NaN())},
            {"denormal", QVariant(std::numeric_limits<double>::denorm_min())},
            {"true", QVariant(true)},
            {"false", QVariant(false)},
            {"date", QVariant(date)},
            {"ancient date", QVariant(QDate(-4000, 1, 1))},
            {"no date", QVariant(QDate())},
            {"local date and time", QVariant(QDateTime(date, time))},
            {"UTC date and time", QVariant(QDateTime(date, time, Qt::UTC))},
            {"offset date and time", QVariant(QDateTime(date, time, Qt::OffsetFromUTC, 10800))},
            {"zoned date and time",
             QVariant(QDateTime(date, time, QTimeZone(QByteArrayLiteral("Europe/Kiev"))))},
            {"no date and time", QVariant(QDateTime())},
    };
}

TEST(LxParams, EveryValueKindComesBackExactly)
{
    ASSERT_TRUE(QTimeZone(QByteArrayLiteral("Europe/Kiev")).isValid());
    LxParams saved;
    const auto values = everyKind();
    for (const auto &v : values)
        saved.SetValue(QString::fromUtf8(v.name), v.value);

    LxParams loaded;
    loaded.SetValue(QStringLiteral("stale"), 1);
    loaded.LoadFromBytes(saved.SaveToBytes());
    ASSERT_EQ(loaded.Count(), int(values.size()));
    for (int i = 0; i < loaded.Count(); ++i) {
        SCOPED_TRACE(values[size_t(i)].name);
        EXPECT_EQ(loaded.Name(i), QString::fromUtf8(values[size_t(i)].name));
        EXPECT_TRUE(identical(loaded.ValueAt(i), values[size_t(i)].value))
                << describe(loaded.ValueAt(i)) << " != " << describe(values[size_t(i)].value);
    }
    EXPECT_FALSE(loaded.Exists(QStringLiteral("stale")));
    EXPECT_EQ(loaded.SaveToBytes(), saved.SaveToBytes());
}

// Sets are stored in database blobs; this form must stay readable.
TEST(LxParams, StreamFormIsFixed)
{
    LxParams params;
    params.SetValue(QStringLiteral("Action"), QStringLiteral("Ok"));
    params.SetValue(QStringLiteral("N"), 5);
    const QByteArray expected = QByteArray::fromHex("4c585053"
                                                    "0100"
                                                    "02000000"
                                                    "06000000"
                                                    "41006300740069006f006e00"
                                                    "02"
                                                    "02000000"
                                                    "4f006b00"
                                                    "01000000"
                                                    "4e00"
                                                    "03"
                                                    "0500000000000000");
    EXPECT_EQ(params.SaveToBytes().toHex(), expected.toHex());
}

TEST(LxParams, NamesIgnoreCaseAndKeepInsertionOrder)
{
    const std::unique_ptr<ILxParams> params = CoLxParams::Create();
    EXPECT_EQ(params->Count(), 0);
    EXPECT_FALSE(params->Value(QStringLiteral("Action")).isValid());
    EXPECT_FALSE(params->Exists(QStringLiteral("Action")));
    EXPECT_EQ(params->Count(), 0);

    params->SetValue(QStringLiteral("Action"), QStringLiteral("Open"));
    params->SetValue(QStringLiteral("Год"), 2024);
    params->SetValue(QStringLiteral("ACTION"), QStringLiteral("Close"));
    params->SetValue(QStringLiteral("гОД"), QVariant());

    ASSERT_EQ(params->Count(), 2);
    EXPECT_EQ(params->Name(0), QStringLiteral("Action"));
    EXPECT_EQ(params->Name(1), QStringLiteral("Год"));
    EXPECT_EQ(params->Value(QStringLiteral("action")), QVariant(QStringLiteral("Close")));
    EXPECT_TRUE(params->Exists(QStringLiteral("ГОД")));
    EXPECT_FALSE(params->ValueAt(1).isValid());
    EXPECT_THROW(params->Name(2), LxError);
    EXPECT_THROW(params->ValueAt(-1), LxError);
}

TEST(LxParams, ValuesAreStoredInTheirKind)
{
    const struct
    {
        const char *what;
        QVariant given;
        QVariant stored; // invalid: refused
    } cases[] = {
            {"int", QVariant(-7), QVariant(qint64(-7))},
            {"unsigned", QVariant(4000000000u), QVariant(qint64(4000000000))},
            {"short", QVariant::fromValue(short(-3)), QVariant(qint64(-3))},
            {"unsigned 64-bit in range", QVariant(quint64(1) << 62), QVariant(qint64(1) << 62)},
            {"float", QVariant(1.5f), QVariant(1.5)},
            {"unsigned 64-bit too large", QVariant(quint64(1) << 63), QVariant()},
            {"bytes", QVariant(QByteArray("x")), QVariant()},
            {"time", QVariant(QTime(1, 2)), QVariant()},
            {"list", QVariant(QStringList{QStringLiteral("a")}), QVariant()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        LxParams params;
        if (c.stored.isValid()) {
            params.SetValue(QStringLiteral("v"), c.given);
            EXPECT_TRUE(identical(params.Value(QStringLiteral("v")), c.stored));
        } else {
            EXPECT_THROW(params.SetValue(QStringLiteral("v"), c.given), LxError);
            EXPECT_EQ(params.Count(), 0);
        }
    }
}

QByteArray header(quint16 version, quint32 count)
{
    QByteArray bytes("LXPS");
    char data[4];
    qToLittleEndian<quint16>(version, data);
    bytes.append(data, 2);
    qToLittleEndian<quint32>(count, data);
    bytes.append(data, 4);
    return bytes;
}

// A name "a", then the kind byte and the value bytes given in hex.
QByteArray entry(const QByteArray &kindAndValue)
{
    return QByteArray::fromHex("010000006100" + kindAndValue);
}

TEST(LxParams, BrokenStreamsAreRefusedAndLeaveTheSetEmpty)
{
    LxParams good;
    good.SetValue(QStringLiteral("Action"), QStringLiteral("Open"));
    const QByteArray valid = good.SaveToBytes();
    const struct
    {
        const char *what;
        QByteArray bytes;
        const char *detail;
    } cases[] = {
            {"nothing", QByteArray(), "данные обрываются"},
            {"other data", QByteArray("<?xml version=\"1.0\"?>"), "неверная сигнатура"},
            {"newer version", header(2, 0), "неподдерживаемая версия 2"},
            {"count beyond the data", header(1, 0xFFFFFFFF), "данные обрываются"},
            {"name length beyond the data",
             header(1, 1) + QByteArray::fromHex("ffffff7f00"),
             "данные обрываются"},
            {"text length beyond the data",
             header(1, 1) + entry("02ffffffff"),
             "данные обрываются"},
            {"zone id beyond the data",
             header(1, 1)
                     + entry("0703"
                             "8a3d250000000000"
                             "00000000"
                             "ffffff7f"),
             "данные обрываются"},
            {"unknown kind", header(1, 1) + entry("09"), "неизвестный вид значения 9"},
            {"boolean neither 0 nor 1",
             header(1, 1) + entry("0502"),
             "неверное логическое значение"},
            {"time of day out of range",
             header(1, 1)
                     + entry("0701"
                             "8a3d250000000000"
                             "005c2605"),
             "неверные дата или время"},
            {"time kind unknown", header(1, 1) + entry("0704"), "неверный вид даты и времени"},
            {"same name twice",
             header(1, 2) + entry("00") + QByteArray::fromHex("01000000410001"),
             "имя «A» повторяется"},
            {"bytes after the set", valid + '\0', "лишние данные после конца набора"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        LxParams params;
        params.SetValue(QStringLiteral("kept?"), true);
        EXPECT_EQ(failure(params, c.bytes),
                  std::string("Данные не являются набором параметров: ") + c.detail);
        EXPECT_EQ(params.Count(), 0);
    }
    for (qsizetype length = 0; length < valid.size(); ++length) {
        SCOPED_TRACE(length);
        LxParams params;
        EXPECT_NE(failure(params, valid.left(length)), "(loaded)");
        EXPECT_EQ(params.Count(), 0);
    }
}

// A pipe-like device: its size is unknown, so lengths can only be checked by reading.
class SequentialBuffer : public QBuffer
{
public:
    using QBuffer::QBuffer;
    bool isSequential() const override { return true; }
};

TEST(LxParams, HugeLengthsFromAPipeFailWithoutHugeAllocations)
{
    for (const QByteArray &bytes : {header(1, 0xFFFFFFFF) + entry("00"),
                                    header(1, 1) + entry("02ffffff7f") + QByteArray(100, 'x')}) {
        QByteArray data = bytes;
        SequentialBuffer device(&data);
        device.open(QIODevice::ReadOnly);
        LxParams params;
        EXPECT_THROW(params.LoadFromStream(device), LxError);
        EXPECT_EQ(params.Count(), 0);
    }
}

TEST(LxParams, ScriptsReachTheSetByNameOnly)
{
    LxParams params;
    params.SetValue(QStringLiteral("Action"), QStringLiteral("Update"));
    LxParamsObject object(params);

    LxParamItem *item = nullptr;
    ASSERT_TRUE(QMetaObject::invokeMethod(&object,
                                          "Item",
                                          Q_RETURN_ARG(LxParamItem *, item),
                                          Q_ARG(QString, QStringLiteral("ACTION"))));
    EXPECT_EQ(item->property("Value"), QVariant(QStringLiteral("Update")));

    LxParamItem *absent = nullptr;
    QMetaObject::invokeMethod(&object,
                              "Item",
                              Q_RETURN_ARG(LxParamItem *, absent),
                              Q_ARG(QString, QStringLiteral("StudentID")));
    EXPECT_FALSE(absent->property("Value").isValid());
    EXPECT_EQ(object.property("Count").toInt(), 1);
    EXPECT_TRUE(absent->setProperty("Value", qint64(77)));

    bool exists = false;
    QMetaObject::invokeMethod(&object,
                              "Exists",
                              Q_RETURN_ARG(bool, exists),
                              Q_ARG(QString, QStringLiteral("studentid")));
    EXPECT_TRUE(exists);
    QString name;
    QMetaObject::invokeMethod(&object, "Name", Q_RETURN_ARG(QString, name), Q_ARG(int, 1));
    EXPECT_EQ(name, QStringLiteral("StudentID"));
    EXPECT_EQ(params.Value(QStringLiteral("StudentId")), QVariant(qint64(77)));
}

} // namespace
