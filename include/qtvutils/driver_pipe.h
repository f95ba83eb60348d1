// QTVUtils message routing: the one-way pipe from a driver-side process into
// the router's process (CDriverPipe), its record format and messages, and the
// text holder (CDriverPipeText) its text records reach receivers in.
#pragma once

#include "qtvutils/message_pipe.h"

#include <memory>

namespace qtv {
class PipeWriteWatch;
}

// Driver pipe messages. A client posts DPM_DATAREADY after each record and
// sends DPM_GETWRITEHANDLE to learn the server's write end; DPM_TEXT is the
// code of a text record and the message that hands its text to listeners.
const UINT DPM_DATAREADY = WM_USER + 124;       // 1148
const UINT DPM_GETWRITEHANDLE = WM_USER + 125;  // 1149
const UINT DPM_TEXT = WM_USER + 153;            // 1177

// The text of one driver-pipe text record, handed to every receiver in the
// router's process that lists DPM_TEXT, as the wParam of that message. Each
// receiver is handed a reference of its own: it reads m_strText and calls
// Release once. The holder lives until its last reference goes.
class QTVUTILS_API CDriverPipeText : public CRefCounted {
public:
    ~CDriverPipeText() override;
    CString m_strText;
};

// A one-way pipe from a driver-side process (client) into the router's
// process (server). One object is used as either side, never both.
//
// Server: InitialServerSide, then Register with the process's initialised
// router. Each DPM_DATAREADY makes it read every complete record the pipe
// holds, so a notification that is lost or never sent delays records but
// loses none; it hands the text of each text record to the router, which
// delivers it as DPM_TEXT to the receivers listing that message.
// Client: InitialClientSide finds the router and duplicates the server's
// write end; WriteDataToClientPipe writes whole records.
//
// Record: 32-bit payload length N, 32-bit code, N payload bytes; a text
// record (code DPM_TEXT) carries NUL-terminated text, N counting the NUL.
// A record is written with one WriteFile, so records of several clients
// never interleave, and it must fit the pipe (at most DriverPipeCapacity
// bytes in all). The reader never trusts a header: one that cannot describe
// a record makes it discard what the pipe holds, and bytes that make no whole
// record once the pipe is empty are dropped.
//
// Initialisation is attempted once per object: every later call of either
// InitialServerSide or InitialClientSide returns true and does nothing.
class QTVUTILS_API CDriverPipe : public CNotifyTarget {
    DECLARE_DYNAMIC(CDriverPipe)
public:
    enum : UINT { DriverPipeCapacity = 2048 };

    CDriverPipe();
    ~CDriverPipe() override;  // closes the pipe handles; a registration still held is dropped

    // These three always return true.
    BOOL Notify(CMessageNotification* pNotification) override;
    BOOL Register(CMessagePipe* pPipe) override;
    BOOL UnRegister() override;

    // False, with no pipe, when the pipe cannot be made or its read end
    // cannot be put in no-wait mode.
    BOOL InitialServerSide();
    // False when there is no router, or it hands out no write end within
    // QTV_WAIT_LIMIT_MS, or the write end cannot be duplicated.
    BOOL InitialClientSide();
    // Writes one record and posts DPM_DATAREADY. A full pipe is waited for
    // at most QTV_WAIT_LIMIT_MS, reminding the router meanwhile; on the
    // router's own thread the router reads the pipe first. False, with
    // nothing written and nothing posted, when the record does not fit the
    // pipe, there is no write end, the write fails or the wait reaches its
    // bound.
    BOOL WriteDataToClientPipe(UINT nLength, UINT nCode, void* pData);

    HANDLE m_hReadPipe;
    HANDLE m_hWritePipe;
    HANDLE m_hClientWritePipe;
    HWND m_hRouterWnd;
    CMessageRegistration m_Registration;
    BOOL m_bInitialized;

private:
    void ClosePipe();
    BOOL ReadPipeRecord();
    BOOL DropWhatThePipeHolds();
    void DeliverText(const char* pText, UINT nLength);

    DWORD m_dwRouterThreadId;  // client side: the thread of m_hRouterWnd
    std::unique_ptr<qtv::PipeWriteWatch> m_pWriteWatch;  // client side: bounds each write
};
