#include "demo/world_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "database/database.h"
#include "database/event_database.h"
#include "demo/game.h"
#include "demo/map_events.h"
#include "demo/quest.h"
#include "engine/dib_surface.h"
#include "engine/fader.h"
#include "engine/view_manage.h"
#include "gui/answer_selector.h"
#include "gui/button.h"
#include "gui/button_menu.h"
#include "gui/chain_manager.h"
#include "gui/dialog.h"
#include "gui/edit.h"
#include "gui/energy_gauge.h"
#include "gui/fader_sprite.h"
#include "gui/fader_text.h"
#include "gui/gif_sprite.h"
#include "gui/list_box.h"
#include "gui/map/map.h"
#include "gui/map/map_goods.h"
#include "gui/map/map_manager.h"
#include "gui/map/map_player.h"
#include "gui/map/player_equip.h"
#include "gui/map/small_map.h"
#include "gui/sprite.h"
#include "gui/window.h"
#include "input/mouse.h"
#include "platform/window_messages.h"
#include "public/engine.h"
#include "sound/dx_sound_buffer.h"

namespace demo {

namespace {

WorldScene* g_world = nullptr;  // the callbacks' way back to the scene

const char* const kMapNames[] = {"village", "house"};

// Menu bar entries.
enum { kMenuSave = 1, kMenuLoad = 2, kMenuTitle = 3 };

// The player's figure tells the scene when a walk ends.
class Hero : public CMapPlayer {
 public:
  void OnArriveTarget(bool arrived) override {
    if (arrived && g_world) g_world->Arrived();
  }
};

void OnElder(void*) {
  if (g_world) g_world->ClickElder();
}
void OnGoods(void* goods) {
  if (g_world) g_world->ClickGoods(static_cast<CMapObject*>(goods));
}
void OnMenu(void* button) {
  if (g_world) g_world->ClickMenu(static_cast<int>(static_cast<QButton*>(button)->m_dwData));
}
void OnItem(void* row) {
  if (g_world) g_world->ClickItem(static_cast<unsigned long>(static_cast<QButton*>(row)->m_dwData));
}
void OnChat(void* edit) {
  if (g_world) g_world->ChatLine(reinterpret_cast<char*>(static_cast<QEdit*>(edit)->GetText()));
  QMap::MapEditOnEnter(edit);
}
// A click on the map's ground (the player already walks there).  A
// character is hit on the pixels of its hit picture, which the engine
// composes for one character per change of the shared walking state, so a
// character that stands still may not have one yet: a click on the two
// cells the elder's figure covers counts as a click on him too.
void OnMapClick(void* map) {
  if (g_world) g_world->ClickGround(static_cast<QMap*>(map));
}

void OnTalkPanel(void*) {
  if (g_world) g_world->CloseTalk();
}
// Tips for the things on the map: their names.
void OnObjectEnter(void* object) {
  if (g_world)
    std::snprintf(g_szTipText, sizeof g_szTipText, "%s",
                  g_world->TipOf(static_cast<CMapObject*>(object)));
}
void OnObjectLeave(void*) { g_szTipText[0] = 0; }

PIXEL Tint(int rgb) {
  return PIXEL(static_cast<unsigned char>(rgb >> 16), static_cast<unsigned char>(rgb >> 8),
               static_cast<unsigned char>(rgb));
}

char* Id(const char* text) { return const_cast<char*>(text); }

// A character's 128 x 120 bubble goes over its head: the figure stands in
// the middle of its 224 x 224 picture box with the head's top 60 pixels
// above the feet, and the bubble's tail ends 88 pixels down the bubble.
void PlaceBubble(CMapObject* who) {
  who->m_nBubbleX = -(112 - 64);
  who->m_nBubbleY = -(186 - 60 - 88);
}

}  // namespace

WorldScene::WorldScene(Game* game) : game_(game) { g_world = this; }

WorldScene::~WorldScene() {
  if (g_world == this) g_world = nullptr;
  // The interface leaves its layer with its owners; the map goes with the
  // map manager's release of it.
  answer_.reset();
  talk_text_.reset();
  talk_panel_.reset();
  items_.reset();
  life_.reset();
  menu_.reset();
  bar_.reset();
  flag_.reset();
  bird_.reset();
  sparkle_.reset();
  leaves_.reset();
  if (leaves_bounds_) game_->View()->DeleteSurface(leaves_bounds_);
  CMapManager* mm = AfxGetMapManager();
  if (mm->GetCurMap() == map_) {
    mm->CreateNewMap(nullptr);
    AfxGetChainManager()->Delete(mm, CHAIN_BOTTOM);
  }
  delete map_;
}

bool WorldScene::Load(std::string* error) {
  GameState& s = game_->State();
  CMapManager* mm = AfxGetMapManager();
  const std::string db = game_->Data() + "data\\Village.mdb";
  if (!mm->Init(db.c_str())) {
    *error = "cannot open the scene tables of " + db;
    return false;
  }
  map_ = new QMap;
  if (!map_->LoadMap(kMapNames[s.map])) {
    *error = std::string("cannot load the map ") + kMapNames[s.map] +
             " (no MAPTABLE row, cell file or picture)";
    return false;
  }
  map_->LoadGoods();
  map_->m_pfnClick = OnMapClick;
  if (!LoadEvents(error)) return false;
  AddCharacters();
  mm->CreateNewMap(map_);
  map_->AutoScrollMap();
  AddInterface();
  game_->PlayMusic(kMapNames[s.map]);
  game_->Log() << "frame " << game_->FrameNumber() << " map " << kMapNames[s.map] << " "
               << map_->GetWidth() / map_->GetUnitSize() << "x"
               << map_->GetHeight() / map_->GetUnitSize() << " objects "
               << map_->GetObjectList().size() << " doors " << doors_.size() << "\n";
  return true;
}

// The map's events (EVENTTABLE rows of this map, drawn as objects of type
// "event" in Tiled) say where the doors are and who lives here.  Each
// row's EXPLAIN holds the object's name:
//   door MAP X Y                       a door (on the event's cell) to cell
//                                      (X, Y) of map MAP
//   spawn NAME SHIRT HAT X,Y X,Y ...   a villager, the colours of its shirt
//                                      and hat (RRGGBB), the cells of its round
bool WorldScene::LoadEvents(std::string* error) {
  tessera::RecordsetPtr rs;
  char sql[128];
  std::snprintf(sql, sizeof sql, "SELECT EXPLAIN, FILEPOS FROM EVENTTABLE WHERE SCENEID = %ld",
                map_->GetId());
  CDataBase* db = game_->Database();
  if (!db || !db->OpenSource(sql, rs) || !rs) {
    *error = "cannot read the map's events";
    return false;
  }
  const int columns = map_->GetWidth() / map_->GetUnitSize(),
            rows = map_->GetHeight() / map_->GetUnitSize();
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    char text[128] = {};
    int32_t cell = -1;
    MapEvent e;
    if (!rs->GetText(0, text, sizeof text) || !rs->GetInt32(1, cell) ||
        !ParseMapEvent(text, cell, columns, rows, &e)) {
      game_->Log() << "map " << map_->GetName() << ": event '" << text << "' ignored\n";
      continue;
    }
    if (e.kind == MapEvent::kDoor) {
      doors_.push_back({e.cell, e.name == "house" ? kHouse : kVillage, e.to});
    } else {
      spawns_.push_back({e.name, e.shirt, e.hat, e.path});
    }
  }
  return true;
}

void WorldScene::AddCharacters() {
  GameState& s = game_->State();
  // The player: a blue shirt and a straw hat.
  hero_ = new Hero;
  hero_->Init(1, "hero", map_, nullptr);
  hero_->GetEquip(4)->SetCurColor(PIXEL(40, 90, 210));
  hero_->GetEquip(0)->SetCurColor(PIXEL(220, 190, 90));
  hero_->QuickMove(s.cell_x, s.cell_y);
  PlaceBubble(hero_);
  tips_.emplace_back(hero_, "\xCE\xD2");  // 我
  map_->AddObject(hero_);
  map_->SetMySelf(hero_);
  last_cell_x_ = s.cell_x;
  last_cell_y_ = s.cell_y;

  // The goods: the pendant shows only while the quest wants it there;
  // other goods stay gone once picked up.
  for (CMapObject* o : map_->GetObjectList()) {
    if (o->GetType() != MOT_GOODS) continue;
    o->m_pfnCallBack[5] = OnGoods;
    o->m_pfnCallBack[1] = OnObjectEnter;
    o->m_pfnCallBack[2] = OnObjectLeave;
    if (std::strcmp(o->GetName(), "pendant") == 0) {
      tips_.emplace_back(o, ItemName(kItemPendant));
      if (!PendantOnFloor(s)) o->SetState(MOS_HIDE);
    } else if (std::strcmp(o->GetName(), "apple") == 0) {
      tips_.emplace_back(o, ItemName(kItemApple));
      if (s.Picked(s.map, o->GetName())) o->SetState(MOS_HIDE);
    } else {
      tips_.emplace_back(o, "\xB4\xE5\xC2\xB7\xC5\xC6");  // 村路牌
    }
  }
  // The villagers, each with its own colours and its own round.
  long id = 10;
  for (const Spawn& p : spawns_) {
    auto* who = new CMapPlayer;
    who->Init(id++, p.name.c_str(), map_, nullptr);
    who->GetEquip(4)->SetCurColor(Tint(p.shirt));
    who->GetEquip(0)->SetCurColor(Tint(p.hat));
    who->QuickMove(p.path[0].x, p.path[0].y);
    PlaceBubble(who);
    const char* tip = p.name == "elder"   ? "\xB4\xE5\xB3\xA4"          // 村长
                      : p.name == "smith" ? "\xCC\xFA\xBD\xB3"          // 铁匠
                      : p.name == "girl"  ? "\xD0\xA1\xC5\xAE\xBA\xA2"  // 小女孩
                                          : "\xC5\xA9\xB7\xF2";          // 农夫
    tips_.emplace_back(who, tip);
    who->m_pfnCallBack[1] = OnObjectEnter;
    who->m_pfnCallBack[2] = OnObjectLeave;
    map_->AddObject(who);
    walkers_.push_back(
        {who, p.path, p.path.size() > 1 ? 1u : 0u, 20 * static_cast<int>(walkers_.size())});
    if (p.name == "elder") {
      // The elder talks about the quest.
      elder_ = who;
      who->m_nType = MOT_TALKER;
      who->m_pfnCallBack[5] = OnElder;
    } else if (p.name == "smith") {
      smith_ = who;
    } else if (p.name == "farmer") {
      // The farmer chats and comes over when clicked.
      who->m_nType = MOT_TALKER;
    }
  }
}

void WorldScene::AddInterface() {
  CChainManager* chains = AfxGetChainManager();
  CVIEWMANAGE* vm = game_->View();
  // The menu bar across the top.
  bar_ = std::make_unique<QWindow>(0, 0, 799, 39, Id("hudpanel00"), QWIN_RLE);
  bar_->m_nAlpha = 24;
  chains->Add(bar_.get(), CHAIN_TOP);
  InItem items[3] = {};
  const char* captions[] = {"\xB1\xA3\xB4\xE6", "\xB6\xC1\xC8\xA1",
                            "\xB1\xEA\xCC\xE2"};                          // 保存 读取 标题
  const char* tips[] = {"F5", "F9", "\xB7\xB5\xBB\xD8\xB1\xEA\xCC\xE2"};  // 返回标题
  for (int i = 0; i < 3; ++i) {
    std::snprintf(items[i].szCaption, sizeof items[i].szCaption, "%s", captions[i]);
    std::snprintf(items[i].szTip, sizeof items[i].szTip, "%s", tips[i]);
    std::snprintf(items[i].szImage, sizeof items[i].szImage, "BTNSMALLA");
    items[i].nID = kMenuSave + i;
    items[i].pfnClick = OnMenu;
    items[i].rect = tagRECT{560 + i * 78, 7, 560 + i * 78 + 71, 32};
  }
  menu_ = std::make_unique<QBtMenu>(3, items);
  chains->Add(menu_.get(), CHAIN_TOP);

  // The life gauge, left in the bar.
  life_ = std::make_unique<QEnergy>();
  life_->Create(60, 14, 179, 25, 100, 120, 1);
  life_->LoadImages("LIFEBAR0", nullptr, "LIFEBACK00");
  life_->SetEnergy(game_->State().life);
  std::snprintf(life_->m_szTip, sizeof life_->m_szTip, "\xC9\xFA\xC3\xFC");  // 生命
  chains->Add(life_.get(), CHAIN_TOP);

  // The list of carried items, under the mini-map.
  items_ = std::make_unique<QList>(tagRECT{626, 200, 795, 349}, tagRECT{636, 212, 785, 0},
                                   QPoint{0, 0}, "LISTROWAA", "LISTBACK00", false);
  items_->m_nRows = 5;
  items_->m_nRowHeight = 26;
  items_->m_pfnRowClick = OnItem;
  chains->Add(items_.get(), CHAIN_TOP);
  RefreshItems();

  // The map's chat box: Enter puts the line into the player's bubble (the
  // map does that); the scene also takes the bubble down after a while.
  if (QEdit* chat = map_->GetChatEdit()) {
    chat->m_pfnEnter = OnChat;
    std::snprintf(chat->m_szTip, sizeof chat->m_szTip, "\xC1\xC4\xCC\xEC");  // 聊天
  }

  // The mini-map in the top right corner (the map owns and deletes it).
  auto* mini = new QSmallMap;
  const std::string small =
      std::string("small") + (game_->State().map == kVillage ? "vil" : "hou") + "00";
  if (mini->Init(map_, small.c_str(), tagRECT{626, 44, 795, 171})) {
    mini->AddDispObject(hero_, 3, PIXEL(255, 255, 0));
    for (const Walker& w : walkers_)
      mini->AddDispObject(w.who, 2, w.who == elder_ ? PIXEL(255, 80, 80) : PIXEL(80, 220, 255));
    map_->SetSmallMap(mini);
  } else {
    delete mini;
  }

  // The conversation: a panel with the text, and an answer selector.
  talk_panel_ = std::make_unique<QWindow>(140, 420, 659, 539, Id("talkpanel0"), QWIN_RLE);
  talk_panel_->m_nAlpha = 26;
  talk_panel_->m_pfnClick = OnTalkPanel;
  talk_text_ = std::make_unique<QDialog>(150, 430, 649, 500, nullptr);
  talk_text_->SetFormat(3, 60, 0xFFF0C8, 0x302010);
  talk_text_->SetFontSize(16);
  talk_text_->m_bTrans = false;
  answer_ = std::make_unique<QSelectBt>();
  std::snprintf(answer_->m_szImageBase, sizeof answer_->m_szImageBase, "QSELECTXA");
  answer_->m_pMainButton =
      new QButton(tagRECT{520, 504, 639, 529}, "\xBB\xD8\xB4\xF0", "", "QSELECTXA");  // 回答
  answer_->m_pPanel = new QWindow(330, 342, 649, 411, Id("answerback"), QWIN_RLE);
  answer_->m_pAnswer[0] = new QButton(tagRECT{340, 348, 639, 373}, kAnswerYes, "", "ANSWERAAA");
  answer_->m_pAnswer[1] = new QButton(tagRECT{340, 380, 639, 405}, kAnswerNo, "", "ANSWERBAA");

  // Things that only look nice: birds over the village with the sound of
  // their wings fading with the distance, the flag on the elder's roof,
  // the leaves drifting by.
  if (game_->State().map == kVillage) {
    bird_ = std::make_unique<QSprite>(-40, 60, -9, 83, false, true);
    bird_->LoadImages("birdfly0", SPRITE_LOAD_RLE, true);
    DRAW_FX fx;
    fx.kind = FX_TRANS;
    fx.level = 32;
    bird_->SetDrawFX(fx);
    bird_->m_bMove = true;
    bird_->m_bSound = true;
    std::snprintf(bird_->m_szSound, sizeof bird_->m_szSound, "wav\\wing.WAV");
    chains->Add(bird_.get(), CHAIN_TOP);
    flag_ = std::make_unique<QGifSprite>();
    flag_->LoadImages("flaggif000", false, false);
    leaves_ = std::make_unique<CFader>();
    char name[] = "leaves00";
    leaves_->LoadParticle(name);
    leaves_bounds_ = vm->CreateSurface(800, 360, SS_DIB);
    leaves_->Initialize(leaves_bounds_, vm->GetRenderSurface(), 0, 0, 800, 600, 22, 24);
  }
  sparkle_ = std::make_unique<QSprite>();
  sparkle_->LoadImages("sparkle0", SPRITE_LOAD_RLE, true);
}

void WorldScene::RefreshItems() {
  items_->DeleteAll();
  for (int item : game_->State().items)
    items_->Add(ItemName(item), item == kItemApple ? "\xB3\xD4" : "",
                static_cast<unsigned long>(item));  // 吃
  items_->m_nTop = 0;
  items_->Refresh(false, true);
}

const char* WorldScene::TipOf(CMapObject* object) const {
  for (const auto& [o, tip] : tips_)
    if (o == object) return tip.c_str();
  return "";
}

int WorldScene::Distance(tagPOINT cell) const {
  const tagPOINT me = hero_->GetNowPoint();
  return std::max(std::abs(me.x - cell.x), std::abs(me.y - cell.y));
}

void WorldScene::Update() {
  GameState& s = game_->State();
  const int frame = game_->FrameNumber();
  // Villagers walk their rounds, resting a moment at each corner.
  for (Walker& w : walkers_) {
    if (w.who->IsMoving()) continue;
    if (w.wait > 0) {
      --w.wait;
      continue;
    }
    if (w.who == elder_ && (talk_panel_->m_dwState == QAREA_SHOW || pending_ == Pending::kTalk))
      continue;
    const tagPOINT at = w.who->GetNowPoint();
    const tagPOINT to = w.path[w.next];
    if (at.x == to.x && at.y == to.y) {
      w.next = (w.next + 1) % w.path.size();
      w.wait = 30;
      continue;
    }
    w.who->WalkTo(to.x, to.y, false);
  }
  // The smith's hammer rings now and then, fainter the further away.
  if (smith_ && ++smith_ring_ % 150 == 0) {
    const tagPOINT me = hero_->GetNowPoint(), smith = smith_->GetNowPoint();
    const int dx = smith.x - me.x, dy = smith.y - me.y;
    const int distance = static_cast<int>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
    game_->PlayEffect("bell", std::max(-10000, -distance * 120),
                      std::max(-10000, std::min(10000, dx * 300)));
  }
  // The player's cell, the life spent walking.
  const tagPOINT me = hero_->GetNowPoint();
  s.cell_x = me.x;
  s.cell_y = me.y;
  if (hero_->IsMoving() && ++walk_frames_ % 45 == 0 && s.life > 10) {
    s.life -= 1;
    life_->SetEnergy(s.life);
  }
  if (bubble_until_ && frame >= bubble_until_) {
    if (hero_->m_pBubble) hero_->m_pBubble->SetContent("", nullptr);
    bubble_until_ = 0;
  }
  // The answer selector's choice.
  if (answer_shown_ && answer_->GetAnswer() >= 0) {
    const int answer = answer_->GetAnswer();
    game_->Log() << "frame " << frame << " answer " << static_cast<char>('A' + answer) << "\n";
    AfxGetChainManager()->Delete(answer_.get(), CHAIN_TOP);
    answer_shown_ = false;
    Say(AnswerElder(&s, answer), false);
  }
  // A door under the player's feet when a walk ends there.
  if (!hero_->IsMoving() && (me.x != last_cell_x_ || me.y != last_cell_y_)) {
    last_cell_x_ = me.x;
    last_cell_y_ = me.y;
    for (const Door& d : doors_)
      if (d.cell.x == me.x && d.cell.y == me.y && !leaving_) UseDoor(d);
  }
}

void WorldScene::UseDoor(const Door& door) {
  leaving_ = true;
  GameState next = game_->State();
  next.map = door.to_map;
  next.cell_x = door.to_cell.x;
  next.cell_y = door.to_cell.y;
  game_->PlayEffect("door");
  game_->Log() << "frame " << game_->FrameNumber() << " door to " << kMapNames[door.to_map] << "\n";
  game_->StartWorld(next);
}

void WorldScene::DrawOver(SURFACE* target) {
  if (flag_ && map_) {
    // Beside the elder's door: map pixels (13 * 32 + 20, 8 * 32 - 10).
    flag_->Show(target, 13 * 32 + 20 - map_->GetNowLeft(), 8 * 32 - 10 - map_->GetNowTop(), false);
  }
  if (leaves_ && leaves_->m_pTarget == target) leaves_->Draw();
  char gold[48];
  std::snprintf(gold, sizeof gold, "\xBD\xF0\xB1\xD2 %d", game_->State().gold);  // 金币
  QArea writer;
  writer.TextOutA(target, 200, 12, gold, 16, true, 0xFFE080, 0x302000);
  writer.TextOutA(target, 12, 12, Id("\xC9\xFA\xC3\xFC"), 16, true, 0xFFC0C0, 0x300000);  // 生命
}

std::string WorldScene::Describe() const {
  if (!map_ || !hero_) return "";
  const tagPOINT me = hero_->GetNowPoint();
  char text[80];
  std::snprintf(text, sizeof text, "view %d %d hero %ld %ld", map_->GetNowLeft(), map_->GetNowTop(),
                static_cast<long>(me.x), static_cast<long>(me.y));
  return text;
}

bool WorldScene::Key(int key) {
  if (key == VK_F1 + 4) return game_->SaveNow();  // F5
  return false;
}

void WorldScene::OnMessage(UINT message, LPARAM lparam) {
  // A bird that would leave the screen comes round again from the left.
  if (message == SPRITE_MSG_NOTIFY && bird_ && reinterpret_cast<QSprite*>(lparam) == bird_.get())
    bird_->Move(-40, 40 + (game_->FrameNumber() * 37) % 120);
}

void WorldScene::ClickGround(QMap* map) {
  QMouse* mouse = AfxGetMouse();
  if (!mouse || map != map_) return;
  pending_ = Pending::kNone;  // a walk somewhere else: what was planned on arrival is off
  if (!elder_) return;
  const int unit = map_->GetUnitSize();
  const int x = (map_->GetNowLeft() + mouse->m_ptMouse.x) / unit,
            y = (map_->GetNowTop() + mouse->m_ptMouse.y) / unit;
  const tagPOINT e = elder_->GetNowPoint();
  if (x == e.x && (y == e.y || y == e.y - 1)) ClickElder();
}

void WorldScene::ClickElder() {
  if (!elder_) return;
  game_->Log() << "frame " << game_->FrameNumber() << " click elder\n";
  if (Distance(elder_->GetNowPoint()) <= 1) return Talk();
  // Walk up to him first: to the cell below him.
  const tagPOINT e = elder_->GetNowPoint();
  pending_ = Pending::kTalk;
  if (!hero_->WalkTo(e.x, e.y + 1, true)) Talk();
}

void WorldScene::Talk() {
  pending_ = Pending::kNone;
  const ElderTalk t = TalkToElder(&game_->State());
  Say(t.text, t.asks);
  if (t.reward) Reward(t.reward);
}

void WorldScene::Say(const char* text, bool asks) {
  CChainManager* chains = AfxGetChainManager();
  chains->Add(talk_panel_.get(), CHAIN_TOP);
  chains->Add(talk_text_.get(), CHAIN_TOP);
  talk_text_->SetContent(text, nullptr);
  if (asks && !answer_shown_) {
    // The selector comes with its parts; the answers stay closed until
    // the question button is clicked.
    chains->Add(answer_.get(), CHAIN_TOP);
    answer_->m_pPanel->SetState(QAREA_HIDE, nullptr);
    for (QButton* a : answer_->m_pAnswer)
      if (a) a->SetState(QAREA_HIDE, nullptr);
    answer_shown_ = true;
  }
}

void WorldScene::CloseTalk() {
  if (answer_shown_) return;  // a question waits for its answer
  AfxGetChainManager()->Delete(talk_text_.get(), CHAIN_TOP);
  AfxGetChainManager()->Delete(talk_panel_.get(), CHAIN_TOP);
}

void WorldScene::Reward(int gold) {
  const tagRECT r = hero_->GetRelativeArea();
  char text[32];
  std::snprintf(text, sizeof text, "+%d\xBD\xF0\xB1\xD2", gold);  // 金币
  AfxGetChainManager()->Add(
      new QFaderText(text, (r.left + r.right) / 2, r.top + 120, 0xFFE040, 0, 24, 100), CHAIN_TOP);
  game_->PlayEffect("reward");
  game_->Log() << "frame " << game_->FrameNumber() << " reward " << gold << "\n";
  RefreshItems();
}

void WorldScene::ClickGoods(CMapObject* goods) {
  game_->Log() << "frame " << game_->FrameNumber() << " click " << goods->GetName() << "\n";
  if (Distance(goods->GetNowPoint()) <= 1) return PickUp(goods);
  pending_ = Pending::kPickUp;
  pending_goods_ = goods;
  const tagPOINT g = goods->GetNowPoint();
  if (!hero_->WalkTo(g.x, g.y + 1, true)) PickUp(goods);
}

void WorldScene::PickUp(CMapObject* goods) {
  pending_ = Pending::kNone;
  GameState& s = game_->State();
  bool taken = false;
  if (std::strcmp(goods->GetName(), "pendant") == 0) {
    taken = PickUpPendant(&s);
  } else if (std::strcmp(goods->GetName(), "apple") == 0) {
    s.Give(kItemApple);
    s.MarkPicked(s.map, goods->GetName());
    taken = true;
  }
  if (!taken) return;
  const tagRECT r = goods->GetRelativeArea();
  AfxGetChainManager()->Add(new QFaderSprite(r.left, r.top, sparkle_.get(), true), CHAIN_TOP);
  goods->SetState(MOS_HIDE);
  game_->PlayEffect("pickup");
  game_->Log() << "frame " << game_->FrameNumber() << " picked " << goods->GetName() << "\n";
  RefreshItems();
}

void WorldScene::Arrived() {
  if (pending_ == Pending::kTalk) {
    Talk();
  } else if (pending_ == Pending::kPickUp && pending_goods_) {
    PickUp(pending_goods_);
  }
  pending_goods_ = nullptr;
}

void WorldScene::ClickMenu(int id) {
  game_->Log() << "frame " << game_->FrameNumber() << " menu " << id << "\n";
  if (id == kMenuSave) game_->SaveNow();
  if (id == kMenuLoad) game_->ContinueSaved();
  if (id == kMenuTitle) game_->ShowTitle();
}

// A click on a carried item: an apple is eaten (life +20).
void WorldScene::ClickItem(unsigned long item) {
  GameState& s = game_->State();
  if (item != kItemApple || !s.Carries(kItemApple)) return;
  s.Take(kItemApple);
  s.life = std::min(100, s.life + 20);
  life_->SetEnergy(s.life);
  game_->PlayEffect("pickup");
  game_->Log() << "frame " << game_->FrameNumber() << " ate an apple, life " << s.life << "\n";
  RefreshItems();
}

void WorldScene::ChatLine(const char* text) {
  if (!text || !*text) return;
  bubble_until_ = game_->FrameNumber() + 120;
  game_->Log() << "frame " << game_->FrameNumber() << " chat " << std::strlen(text) << " bytes\n";
}

}  // namespace demo
