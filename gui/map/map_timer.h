// CMapTimer: a small set of millisecond timers polled by the game.
//
// Every map and every map object is a timer set.  The game calls Run()
// (normally once a frame); when a timer's period has passed since it was
// set or last fired, the virtual OnTimer(id) is called.  At most one timer
// fires per Run: the earliest added of those that are due.
//
//   class Door : public CMapObject {
//     void OnTimer(long id) override { if (id == 1) Open(); }
//   };
//   door->SetTimer(1, 5000);      // in five seconds
//   each frame: door->Run();
//
// Times come from the engine's millisecond clock (platform/clock.h) and
// are compared in unsigned 32-bit arithmetic, so the counter's wrap-around
// after 49.7 days does not disturb a running timer.
#ifndef TESSERA_GUI_MAP_MAP_TIMER_H
#define TESSERA_GUI_MAP_MAP_TIMER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <list>

struct stMapTimer {
  int32_t nID;
  uint32_t dwPeriod;  // milliseconds
  uint32_t dwLast;    // clock reading when it was set or last fired
};

class CMapTimer {
 public:
  CMapTimer();
  // KillAllTimer.
  virtual ~CMapTimer();

  // Called by Run for a due timer; does nothing here.
  virtual void OnTimer(long id);
  // Fires the first due timer, if any; see the top of this file.
  virtual void Run();

  // Sets timer `id` to fire `period` ms from now: an existing timer of this
  // id is restarted with the new period, otherwise one is appended.  True.
  bool SetTimer(long id, long period);
  // Removes the first timer of this id; false when there is none.
  bool KillTimer(long id);
  void KillAllTimer();

  std::list<stMapTimer> m_TimerList;
};

#pragma GCC visibility pop
#endif
