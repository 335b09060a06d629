#pragma once

#include <comtypes.h>

#include <QString>
#include <QUuid>

// An event sink: receives the events of one outgoing interface of a source object (an object
// that is also an IConnectionPointContainer) as method calls by dispid.
//
// The sink does not count references (AddRef answers 2, Release 1): its owner, usually a window,
// creates and frees it. While connected it holds a reference to its source and is advised to the
// source's connection point; destruction disconnects.
class TVelmorEventsBaseSink : public IVelmDispatch
{
public:
    explicit TVelmorEventsBaseSink(const QUuid &iid);
    ~TVelmorEventsBaseSink() override;
    TVelmorEventsBaseSink(const TVelmorEventsBaseSink &) = delete;
    TVelmorEventsBaseSink &operator=(const TVelmorEventsBaseSink &) = delete;

    // Disconnects, then connects to the source's connection point of the sunk interface. Any
    // failure raises "Unable to connect <ClassName>.\r<reason>" and leaves the sink disconnected.
    void Connect(IVelmUnknown *source);
    // Unadvises and drops the source; an error while doing so is ignored.
    void Disconnect();
    bool IsConnected() const { return m_source != nullptr; }
    IVelmUnknown *Source() const { return m_source; }
    QUuid SinkIid() const { return m_iid; }

    // The sink for IID_IVelmUnknown, IID_IVelmDispatch and the sunk interface; else nullptr.
    IVelmDispatch *QueryInterface(const QUuid &iid);
    int AddRef() override { return 2; }
    int Release() override { return 1; }
    // Only method calls are accepted ("<ClassName> only supports sinking of method calls!"
    // otherwise); they go to DoInvoke.
    HRESULT Invoke(int dispid, InvokeKind kind, const QVariantList &args, QVariant *result) final;

    virtual QString ClassName() const;

protected:
    // S_OK when the dispid is an event of the sink, else DISP_E_MEMBERNOTFOUND.
    virtual HRESULT DoInvoke(int dispid, const QVariantList &args, QVariant *result);

private:
    QUuid m_iid;
    IConnectionPoint *m_point = nullptr;
    quint32 m_cookie = 0;
    IVelmUnknown *m_source = nullptr;
};
