#include "platform/window.h"

#include <deque>

#include "platform/test_probes.h"

namespace tessera {

namespace {
struct Posted {
  HWND window;
  WindowMessage msg;
};
std::deque<Posted>& Queue() {
  static std::deque<Posted> queue;
  return queue;
}
}  // namespace

HWND CreateWindowRecord(int width, int height, WindowProc proc) {
  HWND w = new HWND__;
  w->client_width = width;
  w->client_height = height;
  w->proc = proc;
  return w;
}

void DestroyWindowRecord(HWND window) {
  if (!window) return;
  // Drop messages still queued for it: they can no longer be delivered.
  auto& q = Queue();
  for (auto it = q.begin(); it != q.end();) it = it->window == window ? q.erase(it) : it + 1;
  if (Probes().window_destroyed) Probes().window_destroyed(window);
  delete window->backend;
  delete window;
}

void SetWindowProc(HWND window, WindowProc proc) {
  if (window) window->proc = proc;
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!window) return 0;
  if (Probes().window_message) Probes().window_message(window, {message, wparam, lparam});
  return window->proc ? window->proc(window, message, wparam, lparam) : 0;
}

void PostMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (window) Queue().push_back({window, {message, wparam, lparam}});
}

bool DispatchPostedMessage() {
  auto& q = Queue();
  if (q.empty()) return false;
  Posted p = q.front();
  q.pop_front();
  SendMessage(p.window, p.msg.message, p.msg.wparam, p.msg.lparam);
  return true;
}

}  // namespace tessera
