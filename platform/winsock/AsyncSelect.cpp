// WSAAsyncSelect's notifications from Qt socket notifiers. A notifier stays
// off while its event waits for the call that re-enables it (recv for
// FD_READ, accept for FD_ACCEPT, a blocked send for FD_WRITE), so a socket
// that stays readable never floods the window with messages.

#include <QCoreApplication>
#include <QEvent>

#include <set>

#include "platform/winsock/PosixNet.h"
#include "platform/winsock/SocketTable.h"

namespace winsock {
namespace {

const QEvent::Type kNotificationEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Notifications queued and not yet delivered or dropped: they are work for
// the next ProcessMessages, so Sleep does not wait while there are any.
// Posted and delivered on the GUI thread only.
int g_queuedNotifications = 0;

class Notification : public QEvent {
 public:
  explicit Notification(LPARAM lParam) : QEvent(kNotificationEvent), lParam(lParam) { ++g_queuedNotifications; }
  ~Notification() override { --g_queuedNotifications; }
  LPARAM lParam;
};

// The registrations not yet retired; GUI thread only. Never destroyed: a
// socket may still be closed while the process exits.
std::set<const AsyncSelection*>& ActiveSelections() {
  static auto* selections = new std::set<const AsyncSelection*>;
  return *selections;
}

bool WatchSockets(std::vector<WatchedDescriptor>& watched) {
  if (g_queuedNotifications > 0) return true;
  for (const AsyncSelection* selection : ActiveSelections()) selection->Watch(watched);
  return false;
}

}  // namespace

AsyncSelection::AsyncSelection(SOCKET s, SocketState& state, HWND window, UINT msg, long mask)
    : m_socket(s),
      m_state(state),
      m_window(window),
      m_msg(msg),
      m_mask(mask),
      m_read(state.fd, QSocketNotifier::Read),
      m_write(state.fd, QSocketNotifier::Write),
      m_urgent(state.fd, QSocketNotifier::Exception) {
  connect(&m_read, &QSocketNotifier::activated, this, [this] { ReadableNow(); });
  connect(&m_write, &QSocketNotifier::activated, this, [this] { WritableNow(); });
  connect(&m_urgent, &QSocketNotifier::activated, this, [this] { UrgentNow(); });
  // WinSock reports a connected socket that can take data at registration.
  m_writeWanted = state.phase == Phase::Connected;
  UpdateNotifiers();
  static std::once_flag watcherInstalled;
  std::call_once(watcherInstalled, [] { SetSleepWatcher(WatchSockets); });
  ActiveSelections().insert(this);
}

void AsyncSelection::Retire() {
  ActiveSelections().erase(this);
  m_active = false;
  m_read.setEnabled(false);
  m_write.setEnabled(false);
  m_urgent.setEnabled(false);
  deleteLater();
}

void AsyncSelection::ConnectStarted() { UpdateNotifiers(); }

void AsyncSelection::ReceiveCalled() {
  m_readPosted = false;
  m_oobPosted = false;
  UpdateNotifiers();
}

void AsyncSelection::SendWouldBlock() {
  m_writeWanted = true;
  UpdateNotifiers();
}

void AsyncSelection::AcceptCalled() {
  m_acceptPosted = false;
  UpdateNotifiers();
}

void AsyncSelection::ListenStarted() { UpdateNotifiers(); }

void AsyncSelection::Watch(std::vector<WatchedDescriptor>& watched) const {
  const bool read = m_read.isEnabled();
  const bool write = m_write.isEnabled();
  const bool urgent = m_urgent.isEnabled();
  if (read || write || urgent) watched.push_back({m_state.fd, read, write, urgent});
}

bool AsyncSelection::event(QEvent* event) {
  if (event->type() != kNotificationEvent) return QObject::event(event);
  if (m_active) SendMessage(m_window, m_msg, m_socket, static_cast<Notification*>(event)->lParam);
  return true;
}

void AsyncSelection::ReadableNow() {
  if (!m_active) return;
  if (m_state.phase == Phase::Listening) {
    m_acceptPosted = true;
    Notify(FD_ACCEPT, 0);
  } else {
    int error = 0;
    switch (posixnet::PeekReadState(m_state.fd, error)) {
      case posixnet::ReadState::Data:
        m_readPosted = true;
        Notify(FD_READ, 0);
        break;
      case posixnet::ReadState::OrderlyClose:
        m_closePosted = true;
        Notify(FD_CLOSE, 0);
        break;
      case posixnet::ReadState::Failed:
        m_closePosted = true;
        Notify(FD_CLOSE, error);
        break;
      case posixnet::ReadState::Nothing:
        break;
    }
  }
  UpdateNotifiers();
}

void AsyncSelection::WritableNow() {
  if (!m_active) return;
  if (m_state.phase == Phase::Connecting) {
    ConnectFinished();
  } else {
    m_writeWanted = false;
    Notify(FD_WRITE, 0);
  }
  UpdateNotifiers();
}

void AsyncSelection::UrgentNow() {
  if (!m_active) return;
  m_oobPosted = true;
  Notify(FD_OOB, 0);
  UpdateNotifiers();
}

void AsyncSelection::ConnectFinished() {
  int queryError = 0;
  int error = posixnet::PendingError(m_state.fd, queryError);
  if (error < 0) error = queryError;
  m_state.phase = error == 0 ? Phase::Connected : Phase::Idle;
  Notify(FD_CONNECT, error);
  if (error == 0) Notify(FD_WRITE, 0);
}

void AsyncSelection::Notify(long event, int error) {
  if ((m_mask & event) == 0) return;
  QCoreApplication::postEvent(this, new Notification(WSAMAKESELECTREPLY(static_cast<int>(event), error)));
}

void AsyncSelection::UpdateNotifiers() {
  if (!m_active) return;
  const Phase phase = m_state.phase;
  const bool connected = phase == Phase::Connected && !m_closePosted;
  // Read readiness also tells a close apart, so it is watched for FD_CLOSE too.
  m_read.setEnabled((connected && (m_mask & (FD_READ | FD_CLOSE)) && !m_readPosted) ||
                    (phase == Phase::Listening && (m_mask & FD_ACCEPT) && !m_acceptPosted));
  // A connect in progress is always watched, so the phase follows it.
  m_write.setEnabled(phase == Phase::Connecting || (connected && (m_mask & FD_WRITE) && m_writeWanted));
  m_urgent.setEnabled(connected && (m_mask & FD_OOB) && !m_oobPosted);
}

void SetSelection(SocketState& state, AsyncSelection* selection) {
  if (state.selection) state.selection->Retire();
  state.selection = selection;
}

}  // namespace winsock
