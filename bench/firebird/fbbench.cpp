// Measures the database layer against raw Firebird OO-API loops on the same embedded database:
// fetching 100,000 rows x 12 columns (DataSet, the item model, and the model's first screen)
// and inserting 100,000 rows with one prepared statement in one transaction.
//
//     fbbench [rows]

#include <dataset.h>
#include <datasetmodel.h>
#include <query.h>
#include <testdatabase.h>
#include <transaction.h>

#include <firebird/Interface.h>
#include <ibase.h>

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using namespace Firebird;

namespace {

const char *createTables
        = "create table %1 (ID integer not null primary key, SM smallint, BI bigint, DB double "
          "precision, NM numeric(15,2), DT date, TS timestamp, TM time, CH char(10), V1 "
          "varchar(40), "
          "V2 varchar(100), BL boolean)";
const char *insertSql = "insert into %1 values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
const char *namedInsertSql = "insert into %1 values (:ID, :SM, :BI, :DB, :NM, :DT, :TS, :TM, "
                             ":CH, :V1, :V2, :BL)";

double best(int runs, const std::function<void()> &work)
{
    double result = 1e18;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        result = std::min(result, t.nsecsElapsed() / 1e6);
    }
    return result;
}

void check(CheckStatusWrapper &status)
{
    if (status.getState() & IStatus::STATE_ERRORS) {
        char buffer[1024];
        fb_get_master_interface()->getUtilInterface()->formatStatus(buffer, sizeof buffer, &status);
        std::fprintf(stderr, "raw: %s\n", buffer);
        std::exit(2);
    }
}

// Inserts rows through the OO API directly: the baseline for Query.
void rawInsert(fb::Database &db, const QString &table, int rows)
{
    IMaster *master = fb_get_master_interface();
    CheckStatusWrapper status(master->getStatus());
    IAttachment *att = db.attachment();
    ITransaction *tra = att->startTransaction(&status, 0, nullptr);
    check(status);
    const QByteArray sql = QString(insertSql).arg(table).toUtf8();
    IStatement *stmt = att->prepare(&status, tra, 0, sql.constData(), 3, 0);
    check(status);
    IMessageMetadata *meta = stmt->getInputMetadata(&status);
    std::vector<unsigned char> buffer(meta->getMessageLength(&status) + 8);
    unsigned char *b = buffer.data();
    unsigned offsets[12], nulls[12];
    for (unsigned i = 0; i < 12; ++i) {
        offsets[i] = meta->getOffset(&status, i);
        nulls[i] = meta->getNullOffset(&status, i);
        *reinterpret_cast<short *>(b + nulls[i]) = 0;
    }
    IUtil *util = master->getUtilInterface();
    const QByteArray v1 = QString("Иванов Пётр Сергеевич").toLocal8Bit();
    for (int r = 0; r < rows; ++r) {
        *reinterpret_cast<int *>(b + offsets[0]) = r;
        *reinterpret_cast<short *>(b + offsets[1]) = short(r % 1000);
        *reinterpret_cast<qint64 *>(b + offsets[2]) = qint64(r) * 1000003;
        *reinterpret_cast<double *>(b + offsets[3]) = r / 7.0;
        *reinterpret_cast<qint64 *>(b + offsets[4]) = qint64(r) * 100 + 25;
        *reinterpret_cast<ISC_DATE *>(b + offsets[5])
                = util->encodeDate(2020, 1 + r % 12, 1 + r % 28);
        auto *ts = reinterpret_cast<ISC_TIMESTAMP *>(b + offsets[6]);
        ts->timestamp_date = util->encodeDate(2021, 3, 4);
        ts->timestamp_time = util->encodeTime(r % 24, r % 60, 5, 0);
        *reinterpret_cast<ISC_TIME *>(b + offsets[7]) = util->encodeTime(10, 11, 12, 0);
        std::memset(b + offsets[8], ' ', 10);
        std::memcpy(b + offsets[8], "ABC", 3);
        const QByteArray v2 = QByteArray::number(r);
        *reinterpret_cast<unsigned short *>(b + offsets[9]) = ushort(v1.size());
        std::memcpy(b + offsets[9] + 2, v1.constData(), size_t(v1.size()));
        *reinterpret_cast<unsigned short *>(b + offsets[10]) = ushort(v2.size());
        std::memcpy(b + offsets[10] + 2, v2.constData(), size_t(v2.size()));
        *reinterpret_cast<FB_BOOLEAN *>(b + offsets[11]) = r % 2 ? FB_TRUE : FB_FALSE;
        stmt->execute(&status, tra, meta, b, nullptr, nullptr);
        check(status);
    }
    meta->release();
    stmt->free(&status);
    tra->commit(&status);
    check(status);
}

void layerInsert(fb::Database &db, const QString &table, int rows)
{
    fb::Transaction tr(db);
    fb::Query q(tr, QString(namedInsertSql).arg(table));
    const QString v1 = QStringLiteral("Иванов Пётр Сергеевич");
    for (int r = 0; r < rows; ++r) {
        q.setParam("ID", r);
        q.setParam("SM", r % 1000);
        q.setParam("BI", qint64(r) * 1000003);
        q.setParam("DB", r / 7.0);
        q.setParam("NM", r + 0.25);
        q.setParam("DT", QDate(2020, 1 + r % 12, 1 + r % 28));
        q.setParam("TS", QDateTime(QDate(2021, 3, 4), QTime(r % 24, r % 60, 5)));
        q.setParam("TM", QTime(10, 11, 12));
        q.setParam("CH", QStringLiteral("ABC"));
        q.setParam("V1", v1);
        q.setParam("V2", QString::number(r));
        q.setParam("BL", r % 2 == 1);
        q.execute();
    }
    tr.commit();
}

// Fetches every row through the OO API: the baseline for DataSet.
qint64 rawFetch(fb::Database &db, const QString &table)
{
    CheckStatusWrapper status(fb_get_master_interface()->getStatus());
    IAttachment *att = db.attachment();
    // The layer's default transaction: read committed, record versions, no wait.
    const unsigned char tpb[] = {isc_tpb_version3,
                                 isc_tpb_write,
                                 isc_tpb_read_committed,
                                 isc_tpb_rec_version,
                                 isc_tpb_nowait};
    ITransaction *tra = att->startTransaction(&status, sizeof tpb, tpb);
    const QByteArray sql = ("select * from " + table).toUtf8();
    IStatement *stmt = att->prepare(&status, tra, 0, sql.constData(), 3, 0);
    check(status);
    IMessageMetadata *meta = stmt->getOutputMetadata(&status);
    std::vector<unsigned char> buffer(meta->getMessageLength(&status) + 8);
    IResultSet *rs = stmt->openCursor(&status, tra, nullptr, nullptr, meta, 0);
    check(status);
    const unsigned idOffset = meta->getOffset(&status, 0);
    qint64 sum = 0;
    while (rs->fetchNext(&status, buffer.data()) == IStatus::RESULT_OK)
        sum += *reinterpret_cast<int *>(buffer.data() + idOffset);
    rs->close(&status);
    meta->release();
    stmt->free(&status);
    tra->commit(&status);
    check(status);
    return sum;
}

qint64 dataSetFetch(fb::Database &db, const QString &table)
{
    fb::Transaction tr(db);
    fb::DataSet ds(tr);
    ds.setSelectSql("select * from " + table);
    ds.open();
    ds.fetchAll();
    qint64 sum = 0;
    for (int r = 0; r < ds.rowCount(); ++r)
        sum += ds.value(r, 0).toInt();
    return sum;
}

qint64 modelFetch(fb::Database &db, const QString &table)
{
    fb::Transaction tr(db);
    fb::DataSet ds(tr);
    ds.setSelectSql("select * from " + table);
    ds.open();
    fb::DataSetModel model(&ds);
    while (model.canFetchMore())
        model.fetchMore();
    qint64 sum = 0;
    for (int r = 0; r < model.rowCount(); ++r)
        sum += model.data(model.index(r, 0)).toInt();
    return sum;
}

double firstScreen(fb::Database &db, const QString &table)
{
    fb::Transaction tr(db);
    fb::DataSet ds(tr);
    ds.setSelectSql("select * from " + table + " order by ID");
    QElapsedTimer t;
    t.start();
    ds.open();
    fb::DataSetModel model(&ds);
    while (model.rowCount() < 40 && model.canFetchMore())
        model.fetchMore();
    int cells = 0;
    for (int r = 0; r < 40; ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            cells += model.data(model.index(r, c)).isValid();
    const double ms = t.nsecsElapsed() / 1e6;
    if (cells == 0 || ds.fetchedCount() >= 100000)
        std::printf("first screen: unexpected state (%d cells, %d fetched)\n",
                    cells,
                    ds.fetchedCount());
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    fb::TestDatabase db("bench.fdb");
    db.run(QString(createTables).arg("T_RAW") + ";\n" + QString(createTables).arg("T_LAYER") + ";");

    std::printf("rows: %d x 12 columns, embedded database\n", rows);
    const double rawIns = best(1, [&] { rawInsert(db.database(), "T_RAW", rows); });
    const double layerIns = best(1, [&] { layerInsert(db.database(), "T_LAYER", rows); });
    std::printf("insert  raw OO API %8.1f ms | Query %8.1f ms | ratio %.2f (target <= 1.20)\n",
                rawIns,
                layerIns,
                layerIns / rawIns);

    qint64 s1 = 0, s2 = 0, s3 = 0;
    const double rawFetchMs = best(3, [&] { s1 = rawFetch(db.database(), "T_RAW"); });
    const double dsFetchMs = best(3, [&] { s2 = dataSetFetch(db.database(), "T_RAW"); });
    const double modelFetchMs = best(3, [&] { s3 = modelFetch(db.database(), "T_RAW"); });
    if (s1 != s2 || s1 != s3)
        std::printf("checksums differ: %lld %lld %lld\n", s1, s2, s3);
    std::printf("fetch   raw OO API %8.1f ms | DataSet %8.1f ms | ratio %.2f (target <= 1.30)\n",
                rawFetchMs,
                dsFetchMs,
                dsFetchMs / rawFetchMs);
    std::printf("fetch   raw OO API %8.1f ms | model   %8.1f ms | ratio %.2f\n",
                rawFetchMs,
                modelFetchMs,
                modelFetchMs / rawFetchMs);
    std::printf("model first screen (open + 40 rows x 12 columns): %.2f ms (target < 50 ms)\n",
                best(3, [&] { firstScreen(db.database(), "T_RAW"); }));
    return 0;
}
