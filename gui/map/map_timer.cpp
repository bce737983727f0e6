#include "gui/map/map_timer.h"

#include "platform/clock.h"

CMapTimer::CMapTimer() = default;

CMapTimer::~CMapTimer() { KillAllTimer(); }

void CMapTimer::OnTimer(long) {}

void CMapTimer::Run() {
  for (auto it = m_TimerList.begin(); it != m_TimerList.end(); ++it) {
    uint32_t now = tessera::NowMs();
    if (now - it->dwLast < it->dwPeriod) continue;
    // OnTimer may set or kill timers, this one included: remember the entry
    // by address and stamp it afterwards only if it is still listed.
    const stMapTimer* fired = &*it;
    OnTimer(it->nID);
    uint32_t after = tessera::NowMs();
    for (stMapTimer& t : m_TimerList)
      if (&t == fired) {
        t.dwLast = after;
        break;
      }
    return;
  }
}

bool CMapTimer::SetTimer(long id, long period) {
  uint32_t now = tessera::NowMs();
  for (stMapTimer& t : m_TimerList)
    if (t.nID == static_cast<int32_t>(id)) {
      t.dwPeriod = static_cast<uint32_t>(period);
      t.dwLast = now;
      return true;
    }
  m_TimerList.push_back({static_cast<int32_t>(id), static_cast<uint32_t>(period), now});
  return true;
}

bool CMapTimer::KillTimer(long id) {
  for (auto it = m_TimerList.begin(); it != m_TimerList.end(); ++it)
    if (it->nID == static_cast<int32_t>(id)) {
      m_TimerList.erase(it);
      return true;
    }
  return false;
}

void CMapTimer::KillAllTimer() { m_TimerList.clear(); }
