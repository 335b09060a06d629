#pragma once

#include <connectionpoint.h>
#include <ivelmdata.h>

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class TfmStudentList;

// The student register as plug-ins see it (IVelmData) and the source of its events
// (IVelmDataEvents, any number of sinks, called in connection order).
//
// Attached to the register window it takes over the window's notifications: the list's
// before-scroll and before-close raise OnBeforeScroll; its after-scroll and after-open raise
// OnAfterScroll, but only when the current student differs from the one last reported (an
// empty register always reports); a change of the selection raises both. The window's own
// after-open and before-close handling is switched off meanwhile.
//
// Members that need the register raise LxError while no window is attached.
// Reference counted: it starts at 0 and deletes itself when Release brings the count to 0.
class TVelmData : public QObject, public IVelmData, public IConnectionPointContainer
{
    Q_OBJECT

public:
    explicit TVelmData(QObject *parent = nullptr);
    ~TVelmData() override;

    void Attach(TfmStudentList *window);
    // Gives the window its own handling back; no events are raised afterwards.
    void Detach();
    bool Attached() const { return !m_window.isNull(); }

    void NotifyBeforeScroll();
    void NotifyAfterScroll();
    // The STUDENTID last reported to the sinks (0 at start and for an empty register).
    qint64 LastStudentId() const { return m_studentId; }

    int AddRef() override;
    int Release() override;

    void Refresh(bool fullRefresh) override;
    QVariant GetData(const QString &fieldName) override;
    bool Locate(const QVariant &id) override;
    int GetSelCount() override;
    QString GetSelectedList(const QString &fieldName,
                            const QString &delimiter = QString()) override;
    QString UserName() override;
    QString Password() override;
    QString DBName() override;
    bool IsEmpty() override;
    QString GetSQL(const QString &fields, int historyMode = 0, int maxRecords = -1) override;
    QString GetAliasForField(const QString &fieldName, int historyMode = 0) override;
    int FillSelectedList(int transactionHandle) override;

    IConnectionPoint *FindConnectionPoint(const QUuid &iid) override;

private:
    TfmStudentList &window() const;
    QList<int> selectedRows() const;
    bool history(int historyMode) const;
    void raise(int dispid);

    QPointer<TfmStudentList> m_window;
    QList<QMetaObject::Connection> m_connections;
    ConnectionPoint m_events;
    qint64 m_studentId = 0;
    int m_refCount = 0;
};
