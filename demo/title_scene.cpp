#include "demo/title_scene.h"

#include <cstdio>

#include "demo/game.h"
#include "engine/dib_surface.h"
#include "engine/view_manage.h"
#include "gui/area.h"
#include "gui/chain_manager.h"
#include "public/engine.h"

namespace demo {

namespace {

TitleScene* g_title = nullptr;  // the callbacks' way back to the scene

// Each entry's area keeps its entry number in m_dwData.
void OnEntryClick(void* area) {
  if (g_title) g_title->Choose(static_cast<int>(static_cast<QArea*>(area)->m_dwData));
}

constexpr int kLeft = 310, kTop = 300, kWidth = 180, kHeight = 40, kGap = 52;

}  // namespace

TitleScene::TitleScene(Game* game) : game_(game) { g_title = this; }

TitleScene::~TitleScene() {
  for (QArea* a : entries_) delete a;
  if (back_) game_->View()->DeleteSurface(back_);
  if (g_title == this) g_title = nullptr;
}

bool TitleScene::Load(std::string* error) {
  char id[] = "title00000";
  back_ = game_->View()->CreateSurface(id, SS_DIB, false, false);
  if (!back_) {
    *error = std::string("cannot load ") + id;
    return false;
  }
  for (int e = 0; e < kEntries; ++e) {
    const int row = e < kMusic ? e : e - kMusic;
    QArea* a = new QArea(kLeft, kTop + row * kGap, kLeft + kWidth - 1, kTop + row * kGap + kHeight - 1);
    a->m_dwData = e;
    a->m_pfnClick = OnEntryClick;
    entries_.push_back(a);
  }
  ShowPage(false);
  game_->PlayMusic("title");
  return true;
}

void TitleScene::ShowPage(bool settings) {
  settings_page_ = settings;
  CChainManager* chains = AfxGetChainManager();
  for (int e = 0; e < kEntries; ++e) {
    const bool on_page = (e >= kMusic) == settings;
    if (on_page) {
      chains->Add(entries_[e], CHAIN_TOP);
    } else {
      chains->Delete(entries_[e], CHAIN_TOP);
    }
  }
}

std::string TitleScene::Caption(int entry) const {
  const Settings& s = game_->Config();
  char line[64];
  switch (entry) {
    case kNewGame: return "\xD0\xC2\xD3\xCE\xCF\xB7";  // 新游戏
    case kContinue: return "\xBC\xCC\xD0\xF8";         // 继续
    case kSettings: return "\xC9\xE8\xD6\xC3";         // 设置
    case kQuit: return "\xCD\xCB\xB3\xF6";             // 退出
    case kMusic:
      std::snprintf(line, sizeof line, "\xD2\xF4\xC0\xD6 %d%%", s.music);  // 音乐
      return line;
    case kEffects:
      std::snprintf(line, sizeof line, "\xD2\xF4\xD0\xA7 %d%%", s.effects);  // 音效
      return line;
    case kFullScreen:
      return s.full_screen ? "\xC8\xAB\xC6\xC1 \xBF\xAA" : "\xC8\xAB\xC6\xC1 \xB9\xD8";  // 全屏 开 / 关
    default: return "\xB7\xB5\xBB\xD8";  // 返回
  }
}

void TitleScene::Choose(int entry) {
  Settings& s = game_->Config();
  game_->Log() << "frame " << game_->FrameNumber() << " title: entry " << entry << "\n";
  switch (entry) {
    case kNewGame: game_->StartWorld(NewGame()); break;
    case kContinue:
      if (!game_->ContinueSaved()) {
        notice_ = "\xC3\xBB\xD3\xD0\xB4\xE6\xB5\xB5";  // 没有存档
        notice_frame_ = game_->FrameNumber();
      }
      break;
    case kSettings: ShowPage(true); break;
    case kQuit: game_->Quit(); break;
    case kMusic:
      s.music = NextVolume(s.music);
      ApplyVolumes(AfxGetSound(), s);
      break;
    case kEffects:
      s.effects = NextVolume(s.effects);
      ApplyVolumes(AfxGetSound(), s);
      game_->PlayEffect("click");
      break;
    case kFullScreen: game_->ToggleFullScreen(); break;
    case kBack:
      SaveSettings(game_->Database(), s);
      ShowPage(false);
      break;
    default: break;
  }
}

void TitleScene::Draw(SURFACE* target) {
  back_->Blit(target, 0, 0);
  DIBSURFACE* frame = static_cast<DIBSURFACE*>(target);
  CVIEWMANAGE* vm = game_->View();
  vm->SetFontSize(FONT_24);
  char name[] = "\xD0\xA1\xB4\xE5\xB9\xCA\xCA\xC2";  // 小村故事
  frame->DrawTextA(352, 200, PIXEL(255, 230, 140), name);
  vm->SetFontSize(FONT_16);
  for (int e = 0; e < kEntries; ++e) {
    if ((e >= kMusic) != settings_page_) continue;
    const tagRECT& r = entries_[e]->m_rcArea;
    const bool under = AfxGetNowArea() == entries_[e];
    DRAW_FX fx;
    fx.kind = FX_RECTFILL;
    fx.width = kWidth;
    fx.height = kHeight;
    fx.colour = under ? PIXEL(120, 80, 40) : PIXEL(70, 45, 25);
    frame->Blit(frame, r.left, r.top, fx);
    std::string caption = Caption(e);
    frame->DrawTextA(r.left + (kWidth - static_cast<int>(caption.size()) * 8) / 2, r.top + 12,
                     PIXEL(255, 240, 200), caption.data());
  }
  if (!notice_.empty() && game_->FrameNumber() - notice_frame_ < 60)
    frame->DrawTextA(360, 520, PIXEL(255, 120, 120), notice_.data());
}

}  // namespace demo
