#include "databasefile.h"

#include <error.h>

#include <firebird/Interface.h>
#include <ibase.h>

using namespace Firebird;

namespace {

struct Status
{
    IStatus *raw = fb::Database::master()->getStatus();
    CheckStatusWrapper wrapper{raw};
    ~Status() { raw->dispose(); }
    CheckStatusWrapper *operator&() { return &wrapper; }
    void check()
    {
        if (wrapper.getState() & IStatus::STATE_ERRORS)
            fb::Error::raise(raw);
    }
};

void attach(const fb::ConnectParams &params, bool create, int pageSize, bool forcedWrites)
{
    fb::Database::prepareEmbeddedEnvironment();
    Status status;
    IXpbBuilder *dpb = fb::Database::util()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
    status.check();
    auto addString = [&](int tag, const QString &value) {
        if (!value.isEmpty())
            dpb->insertString(&status, tag, value.toUtf8().constData());
    };
    dpb->insertInt(&status, isc_dpb_utf8_filename, 1);
    addString(isc_dpb_user_name, params.userName);
    addString(isc_dpb_password, params.password);
    addString(isc_dpb_lc_ctype, params.charset);
    dpb->insertInt(&status, isc_dpb_sql_dialect, params.dialect);
    dpb->insertInt(&status, isc_dpb_force_write, forcedWrites ? 1 : 0);
    if (create) {
        dpb->insertInt(&status, isc_dpb_page_size, pageSize);
        addString(isc_dpb_set_db_charset, params.charset);
    }
    const QByteArray name = params.databaseName.toUtf8();
    const unsigned length = dpb->getBufferLength(&status);
    const unsigned char *buffer = dpb->getBuffer(&status);
    IProvider *provider = fb::Database::provider();
    IAttachment *attachment
            = create ? provider->createDatabase(&status, name.constData(), length, buffer)
                     : provider->attachDatabase(&status, name.constData(), length, buffer);
    dpb->dispose();
    status.check();
    attachment->detach(&status);
    if (status.wrapper.getState() & IStatus::STATE_ERRORS)
        attachment->release();
    status.check();
}

} // namespace

void DatabaseFile::create(const fb::ConnectParams &params, int pageSize, bool forcedWrites)
{
    attach(params, true, pageSize, forcedWrites);
}

void DatabaseFile::setForcedWrites(const fb::ConnectParams &params, bool on)
{
    attach(params, false, 0, on);
}
