#include "toolkit/BlockedClose.h"

#include "toolkit/Forms.h"
#include "toolkit/Guard.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

std::uint32_t InternAtom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const std::uint32_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

// The form whose frame sent the request, when a modal window other than it blocks it now.
TForm* BlockedForm(xcb_window_t window)
{
    auto* form = qobject_cast<TForm*>(QWidget::find(window));
    const QWindow* modal = QGuiApplication::modalWindow();
    if (!form || !modal || modal == form->windowHandle())
        return nullptr;
    return form;
}

} // namespace

TBlockedCloseFilter::TBlockedCloseFilter()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    FProtocols = InternAtom(x11->connection(), "WM_PROTOCOLS");
    FDeleteWindow = InternAtom(x11->connection(), "WM_DELETE_WINDOW");
}

bool TBlockedCloseFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (FProtocols == 0 || eventType != "xcb_generic_event_t")
        return false;
    constexpr std::uint8_t kSentByClient = 0x80; // the high bit marks a request sent by another client
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~kSentByClient) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* request = static_cast<const xcb_client_message_event_t*>(message);
    if (request->format != 32 || request->type != FProtocols || request->data.data32[0] != FDeleteWindow)
        return false;
    TForm* form = BlockedForm(request->window);
    if (!form)
        return false; // Qt hands it to the form itself
    // Once this event is done with: a close may end loops that are running now.
    QMetaObject::invokeMethod(form, [form] { Guard([form] { form->Close(); }); }, Qt::QueuedConnection);
    return true;
}
