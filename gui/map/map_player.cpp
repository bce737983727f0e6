#include "gui/map/map_player.h"

#include <cstdlib>

#include "engine/surface.h"
#include "engine/surface_kinds.h"
#include "engine/view_manage.h"
#include "gui/chain_manager.h"
#include "gui/dialog.h"
#include "gui/map/map.h"
#include "gui/map/map_manager.h"
#include "gui/map/path_finder.h"
#include "gui/map/player_equip.h"
#include "platform/clock.h"
#include "platform/message_sink.h"
#include "platform/random.h"
#include "platform/test_hooks.h"
#include "public/engine.h"

namespace tessera {
const char* const kChatterLines[8] = {
    // 干吗用鼠标点我！有鼠标很拽吗？！！
    "\xB8\xC9\xC2\xF0\xD3\xC3\xCA\xF3\xB1\xEA\xB5\xE3\xCE\xD2\xA3\xA1\xD3\xD0\xCA\xF3\xB1\xEA\xBA"
    "\xDC\xD7\xA7\xC2\xF0"
    "\xA3\xBF\xA3\xA1\xA3\xA1",
    // 我是泰塞拉村的阿石，美工把这地图画得太小，我被困在这里出不去了！
    "\xCE\xD2\xCA\xC7\xCC\xA9\xC8\xFB\xC0\xAD\xB4\xE5\xB5\xC4\xB0\xA2\xCA\xAF\xA3\xAC\xC3\xC0\xB9"
    "\xA4\xB0\xD1\xD5\xE2"
    "\xB5\xD8\xCD\xBC\xBB\xAD\xB5\xC3\xCC\xAB\xD0\xA1\xA3\xAC\xCE\xD2\xB1\xBB\xC0\xA7\xD4\xDA\xD5"
    "\xE2\xC0\xEF\xB3\xF6"
    "\xB2\xBB\xC8\xA5\xC1\xCB\xA3\xA1",
    // 这地图哪里才是出路呢！放我出去！
    "\xD5\xE2\xB5\xD8\xCD\xBC\xC4\xC4\xC0\xEF\xB2\xC5\xCA\xC7\xB3\xF6\xC2\xB7\xC4\xD8\xA3\xA1\xB7"
    "\xC5\xCE\xD2\xB3\xF6"
    "\xC8\xA5\xA3\xA1",
    // 别看我斯斯文文的，要是我发功可以千里之外取人首级，别惹我哦！
    "\xB1\xF0\xBF\xB4\xCE\xD2\xCB\xB9\xCB\xB9\xCE\xC4\xCE\xC4\xB5\xC4\xA3\xAC\xD2\xAA\xCA\xC7\xCE"
    "\xD2\xB7\xA2\xB9\xA6"
    "\xBF\xC9\xD2\xD4\xC7\xA7\xC0\xEF\xD6\xAE\xCD\xE2\xC8\xA1\xC8\xCB\xCA\xD7\xBC\xB6\xA3\xAC\xB1"
    "\xF0\xC8\xC7\xCE\xD2"
    "\xC5\xB6\xA3\xA1",
    // 我十年磨一剑，志在一统武林。
    "\xCE\xD2\xCA\xAE\xC4\xEA\xC4\xA5\xD2\xBB\xBD\xA3\xA3\xAC\xD6\xBE\xD4\xDA\xD2\xBB\xCD\xB3\xCE"
    "\xE4\xC1\xD6\xA1\xA3",
    // 你很烦呢，旁边这么多无聊的人，为什么不去点他们！
    "\xC4\xE3\xBA\xDC\xB7\xB3\xC4\xD8\xA3\xAC\xC5\xD4\xB1\xDF\xD5\xE2\xC3\xB4\xB6\xE0\xCE\xDE\xC1"
    "\xC4\xB5\xC4\xC8\xCB"
    "\xA3\xAC\xCE\xAA\xCA\xB2\xC3\xB4\xB2\xBB\xC8\xA5\xB5\xE3\xCB\xFB\xC3\xC7\xA3\xA1",
    // 虽然这地图这么小，可是我的雄心依旧展翅在千里之外！。。。好感动！
    "\xCB\xE4\xC8\xBB\xD5\xE2\xB5\xD8\xCD\xBC\xD5\xE2\xC3\xB4\xD0\xA1\xA3\xAC\xBF\xC9\xCA\xC7\xCE"
    "\xD2\xB5\xC4\xD0\xDB"
    "\xD0\xC4\xD2\xC0\xBE\xC9\xD5\xB9\xB3\xE1\xD4\xDA\xC7\xA7\xC0\xEF\xD6\xAE\xCD\xE2\xA3\xA1\xA1"
    "\xA3\xA1\xA3\xA1\xA3"
    "\xBA\xC3\xB8\xD0\xB6\xAF\xA3\xA1",
    // 求求你千万别关游戏，虽然是虚拟世界，我们也有生命有理想。
    "\xC7\xF3\xC7\xF3\xC4\xE3\xC7\xA7\xCD\xF2\xB1\xF0\xB9\xD8\xD3\xCE\xCF\xB7\xA3\xAC\xCB\xE4\xC8"
    "\xBB\xCA\xC7\xD0\xE9"
    "\xC4\xE2\xCA\xC0\xBD\xE7\xA3\xAC\xCE\xD2\xC3\xC7\xD2\xB2\xD3\xD0\xC9\xFA\xC3\xFC\xD3\xD0\xC0"
    "\xED\xCF\xEB\xA1\xA3",
};
}  // namespace tessera

namespace {
// 不能一次移动跨越一格的范围
const char kStepTooFar[] =
    "\xB2\xBB\xC4\xDC\xD2\xBB\xB4\xCE\xD2\xC6\xB6\xAF\xBF\xE7\xD4\xBD\xD2\xBB\xB8\xF1\xB5\xC4\xB7"
    "\xB6\xCE\xA7";
// 小乖乖来来！到姐姐这边来！
const char kComeHere[] =
    "\xD0\xA1\xB9\xD4\xB9\xD4\xC0\xB4\xC0\xB4\xA3\xA1\xB5\xBD\xBD\xE3\xBD\xE3\xD5\xE2\xB1\xDF\xC0"
    "\xB4\xA3\xA1";

// The animation shared by every character: one frame counter, when it
// last advanced (0: not started), and the state last composed into a hit
// picture.
long g_frame = 0;
uint32_t g_last_tick = 0;
bool g_clock_started = false;
long g_last_state = -1;
long g_order[6] = {0, 1, 2, 3, 4, 5};

// Direction of a one-cell step, indexed [dy + 1][dx + 1]; -1 for no move.
constexpr int kDirectionOf[3][3] = {{7, 0, 1}, {6, -1, 2}, {5, 4, 3}};
// The unit step of each direction.
constexpr int kStepX[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int kStepY[8] = {-1, -1, 0, 1, 1, 1, 0, -1};

int Sign(int v) { return (v > 0) - (v < 0); }

// The random generator is seeded from the engine's millisecond clock: the
// same behaviour as seeding from the time of day, and deterministic under
// a test clock.
void SeedFromClock() { tessera::SeedRandom(tessera::NowMs()); }
}  // namespace

namespace tessera {
long SharedPlayerFrame() { return g_frame; }

void ResetPlayerAnimationForTests() {
  g_frame = 0;
  g_last_tick = 0;
  g_clock_started = false;
  g_last_state = -1;
  for (long i = 0; i < 6; ++i) g_order[i] = i;
}
}  // namespace tessera

CMapPlayer::CMapPlayer() : m_pPathFinder(new CPathFinder) {
  m_nType = MOT_PLAYER;
  m_pfnCallBack[5] = &CMapPlayer::BeClicked;
  m_EquipList.SetPlayer(this);
}

CMapPlayer::~CMapPlayer() {
  if (m_pMap) tessera::DetachPathFinder(*m_pMap, m_pPathFinder);
  delete m_pPathFinder;
  m_pPathFinder = nullptr;
  delete m_pHitSurface;
  m_pHitSurface = nullptr;
  m_EquipList.DelAll();
}

bool CMapPlayer::Init(long id, const char* name, QMap* map, void*) {
  CMapObject::Init(id, name, map, nullptr);
  if (!LoadPerson(0, name)) return false;
  QuickMove(20, 20);

  const tagRECT r = GetRelativeArea();
  delete m_pBubble;
  m_pBubble = new QDialog(r.left, r.top - 50, r.left + 128, r.top + 70, nullptr);
  m_nBubbleX = 0;
  m_nBubbleY = 70;
  AfxGetChainManager()->Add(m_pBubble, CHAIN_MIDDLE);
  m_pBubble->m_bAutoSize = true;
  m_pBubble->m_bTrans = true;

  if (m_pMap) {
    const int unit = m_pMap->GetUnitSize();
    const int columns = unit > 0 ? m_pMap->GetWidth() / unit : 0;
    const int rows = unit > 0 ? m_pMap->GetHeight() / unit : 0;
    m_pPathFinder->SetMapData(columns, rows,
                              reinterpret_cast<unsigned char*>(m_pMap->GetMapInfo()));
    tessera::AttachPathFinder(*m_pMap, m_pPathFinder);
  }

  SeedFromClock();
  SetDirection(tessera::NextRandom() % 8);

  delete m_pHitSurface;
  m_pHitSurface = nullptr;
  CPlayerEquip* body = GetEquip(0);
  CVIEWMANAGE* vm = AfxGetViewManager();
  // Without part 0's first standing picture there is nothing to hit: no
  // hit picture, and IsPointed answers false.
  if (body && vm && body->GetWidth() > 0 && body->GetHeight() > 0) {
    m_pHitSurface = vm->CreateSurface(static_cast<int>(body->GetWidth()),
                                      static_cast<int>(body->GetHeight()), SS_DIB);
    if (m_pHitSurface) tessera::FillKey(m_pHitSurface);
  }
  return true;
}

bool CMapPlayer::LoadPerson(long role, const char*) {
  const int u = m_pMap ? m_pMap->GetUnitSize() : 0;
  m_ptNowPoint = {0, 0};
  m_ptDrawPoint = {-3, -5};
  m_rcArea = {-3 * u, -5 * u, 4 * u, 2 * u};
  for (long part = 0; part < 6; ++part) AddEquip(role, 0, part);
  return true;
}

bool CMapPlayer::AddEquip(long role, long item, long part) {
  auto* layer = new CPlayerEquip;
  layer->Init(role, item, part, PIXEL(128, 0, 128));
  if (!m_EquipList.AddEquip(layer)) {
    delete layer;
    return false;
  }
  return true;
}

bool CMapPlayer::WalkTo(int x, int y, bool force) {
  if (m_pMap && m_pMap->GetMySelf() == this) m_pMap->EnableAutoScroll(true);
  if (x == m_ptNowPoint.x && y == m_ptNowPoint.y) return false;
  if (m_nPlayerState == PS_WALK && !force) {
    m_ptPending = {x, y};
    return false;
  }
  if (!m_pPathFinder->FindPath(m_ptNowPoint, {x, y})) return false;
  m_ptTargetPoint = {x, y};
  tagPOINT start;
  m_pPathFinder->NextStep(start);  // the standing cell itself
  m_bEndOfStep = true;
  m_nPlayerState = m_nMoveState;
  m_ptPending = {-1, -1};
  return true;
}

bool CMapPlayer::QuickMove(int x, int y) {
  CMapObject::MoveTo(x, y);
  m_bEndOfStep = true;
  return true;
}

bool CMapPlayer::MoveTo(int x, int y) {
  const int dx = x - m_ptNowPoint.x, dy = y - m_ptNowPoint.y;
  if (dx == 0 && dy == 0) return true;
  if (dx > 1 || dx < -1 || dy > 1 || dy < -1) {
    tessera::ShowMessage("", kStepTooFar, tessera::MessageIcon::kNone);
    return false;
  }
  m_nDirection = kDirectionOf[Sign(dy) + 1][Sign(dx) + 1];
  m_ptNextPoint = {x, y};
  m_nPlayerState = m_nMoveState;
  m_bEndOfStep = false;
  return true;
}

tagPOINT CMapPlayer::GetNextDrawPoint() {
  const tagPOINT off = GetDrawPointOffset();
  return {off.x + m_ptNextPoint.x, off.y + m_ptNextPoint.y};
}

void CMapPlayer::MovePlayer(int pixels) {
  const int u = m_pMap ? m_pMap->GetUnitSize() : 0;
  if (pixels <= 0 || u <= 0 || u % pixels != 0) return;
  if (m_nDirection >= 0 && m_nDirection < 8) {
    const int sx = kStepX[m_nDirection] * pixels, sy = kStepY[m_nDirection] * pixels;
    m_rcArea.left += sx;
    m_rcArea.right += sx;
    m_rcArea.top += sy;
    m_rcArea.bottom += sy;
  }
  const tagPOINT next = GetNextDrawPoint();
  if (m_rcArea.left != next.x * u || m_rcArea.top != next.y * u) return;
  QuickMove(m_ptNextPoint.x, m_ptNextPoint.y);
  if (m_ptNextPoint.x == m_ptTargetPoint.x && m_ptNextPoint.y == m_ptTargetPoint.y) {
    m_nPlayerState = PS_STAND;
    OnArriveTarget(true);
  }
  m_bEndOfStep = true;
  if (m_ptPending.x != -1 && m_ptPending.y != -1) WalkTo(m_ptPending.x, m_ptPending.y, true);
}

void CMapPlayer::OnArriveTarget(bool) {}

long* CMapPlayer::SortEquipByDirection(int direction) {
  static const long kFront[6] = {3, 4, 1, 0, 2, 5};  // up, up-right, right, down-right, up-left
  static const long kLeft[6] = {3, 4, 5, 2, 1, 0};   // down, down-left, left
  const long* order = nullptr;
  if ((direction >= 0 && direction <= 3) || direction == 7) order = kFront;
  if (direction >= 4 && direction <= 6) order = kLeft;
  if (order)
    for (int i = 0; i < 6; ++i) g_order[i] = order[i];
  return g_order;
}

void CMapPlayer::Show(SURFACE* target, bool flag) {
  // 1-2: the walk.
  if (m_bEndOfStep && m_nPlayerState == PS_WALK) {
    tagPOINT cell;
    if (m_pPathFinder->NextStep(cell)) {
      MoveTo(cell.x, cell.y);
    } else {
      m_nPlayerState = PS_STAND;
      OnArriveTarget(true);
    }
  }
  if (m_nPlayerState == PS_WALK) MovePlayer(2);

  // 3: the bubble follows the picture.
  const tagRECT r = GetRelativeArea();
  Move(r.left, r.top);

  // 4-5: the shared animation clock.
  const uint32_t now = tessera::NowMs();
  if (!g_clock_started) {
    g_last_tick = now;
    g_clock_started = true;
  }
  const int state = m_nPlayerState;
  const uint32_t delay =
      static_cast<uint32_t>(state >= 0 && state < 4 ? m_nFrameDelay[state] : 150);
  if (g_last_tick + delay <= now) {
    ++g_frame;
    g_last_tick = now;
  }
  if (CPlayerEquip* layer = GetEquip(state))
    if (g_frame >= layer->GetFrameNumber()) g_frame = 0;

  // 6: the drawing order for the direction faced.
  m_EquipList.SortEquip(SortEquipByDirection(m_nDirection));

  // 7: the hit picture, when the shared composed state changes.
  if (g_last_state != state) {
    if (m_pHitSurface) {
      tessera::FillKey(m_pHitSurface);
      m_EquipList.Show(m_pHitSurface, 0, 0, state, m_nDirection, g_frame, flag, false);
    }
    g_last_state = state;
  }

  // 8: the layers on the target.
  const int left = m_pMap ? m_pMap->GetNowLeft() : 0, top = m_pMap ? m_pMap->GetNowTop() : 0;
  m_EquipList.Show(target, m_rcArea.left - left, m_rcArea.top - top, state, m_nDirection, g_frame,
                   flag, m_bHighColor);
}

bool CMapPlayer::IsPointed(int x, int y) {
  if (m_nState != MOS_SHOW) return false;
  const tagRECT r = GetRelativeArea();
  if (!(r.left < x && x < r.right && r.top < y && y < r.bottom)) return false;
  if (!m_pHitSurface) return false;
  const int px = x - r.left, py = y - r.top;
  if (px >= m_pHitSurface->GetWidth() || py >= m_pHitSurface->GetHeight()) return false;
  return m_pHitSurface->GetPixel(px, py) != COLOR_KEY;
}

void CMapPlayer::BeClicked(void* object) {
  auto* clicked = static_cast<CMapObject*>(object);
  if (!clicked || clicked->GetType() != MOT_TALKER) return;
  SeedFromClock();
  if (clicked->m_pBubble)
    clicked->m_pBubble->SetContent(tessera::kChatterLines[tessera::NextRandom() % 8], nullptr);
  CMapManager* manager = tessera::PeekMapManager();
  QMap* map = manager ? manager->GetCurMap() : nullptr;
  CMapObject* player = map ? map->GetMySelf() : nullptr;
  if (!player) return;
  if (player->m_pBubble) player->m_pBubble->SetContent(kComeHere, nullptr);
  player->SetTimer(1, 5000);
  // Only a walking character can come over; a plain object given type 4
  // just talks.
  if (auto* walker = dynamic_cast<CMapPlayer*>(clicked)) {
    const tagPOINT p = player->GetNowPoint();
    walker->WalkTo(p.x + 1, p.y + 1, false);
  }
}
