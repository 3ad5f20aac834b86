#pragma once
// Internal to platform/winsock: the state WinSock keeps per socket, and the
// asynchronous selection that turns Qt socket notifications into WinSock's
// window messages with WinSock's re-enabling rules.

#include <QObject>
#include <QSocketNotifier>

#include <memory>
#include <mutex>
#include <vector>

#include "platform/winsock/WinSock.h"

namespace winsock {

enum class Phase { Idle, Connecting, Connected, Listening };

class AsyncSelection;

struct SocketState {
  int fd = -1;
  bool nonBlocking = false;
  Phase phase = Phase::Idle;
  // Lives on the GUI thread; replaced or dropped through SetSelection.
  AsyncSelection* selection = nullptr;
};

// One registration made by WSAAsyncSelect. Notifications are queued to this
// object and sent to the window when delivered, so a registration that is
// replaced or a socket that is closed never reaches the window again.
class AsyncSelection : public QObject {
 public:
  AsyncSelection(SOCKET s, SocketState& state, HWND window, UINT msg, long mask);

  // Ends the registration: nothing more is posted and queued notifications
  // are dropped. The object deletes itself later (it may be delivering now).
  void Retire();

  void ConnectStarted();
  void ReceiveCalled();
  void SendWouldBlock();
  void AcceptCalled();
  void ListenStarted();

  // Adds the socket to what Sleep watches, for the readiness the enabled
  // notifiers wait for.
  void Watch(std::vector<WatchedDescriptor>& watched) const;

 protected:
  bool event(QEvent* event) override;

 private:
  void ReadableNow();
  void WritableNow();
  void UrgentNow();
  void ConnectFinished();
  void Notify(long event, int error);
  void UpdateNotifiers();

  SOCKET m_socket;
  SocketState& m_state;
  HWND m_window;
  UINT m_msg;
  long m_mask;
  bool m_active = true;
  bool m_readPosted = false;
  bool m_oobPosted = false;
  bool m_acceptPosted = false;
  bool m_closePosted = false;
  bool m_writeWanted = false;
  QSocketNotifier m_read;
  QSocketNotifier m_write;
  QSocketNotifier m_urgent;
};

// Removes key from a table that mutex guards and returns what it held; an
// empty value when it held nothing.
template <typename Table>
typename Table::mapped_type TakeEntry(std::mutex& mutex, Table& table, const typename Table::key_type& key) {
  std::lock_guard lock(mutex);
  auto found = table.find(key);
  if (found == table.end()) return {};
  auto taken = std::move(found->second);
  table.erase(found);
  return taken;
}

// True between WSAStartup and the matching last WSACleanup.
bool Started();

// Replaces the socket's registration (nullptr: none).
void SetSelection(SocketState& state, AsyncSelection* selection);

}  // namespace winsock
