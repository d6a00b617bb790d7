#pragma once
// The window manager's close request for a form that a modal window blocks. Qt drops such a
// request, so closing the main window while a job's progress window shows was ignored and
// forgotten; this hands it to the form instead, which closes by its own rules (the main form
// ends the program). Only X11 sends requests this way; elsewhere it does nothing.

#include <QAbstractNativeEventFilter>

#include <cstdint>

class TBlockedCloseFilter : public QAbstractNativeEventFilter {
public:
    // Reads the names of the request from the X server when the application runs on one.
    TBlockedCloseFilter();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::uint32_t FProtocols = 0; // WM_PROTOCOLS: the kind of message the request comes as
    std::uint32_t FDeleteWindow = 0; // WM_DELETE_WINDOW: the request to close
};
