#include "demo/title_scene.h"

#include <cstdio>

#include "demo/game.h"
#include "engine/dib_surface.h"
#include "engine/view_manage.h"
#include "gui/area.h"
#include "gui/button.h"
#include "gui/button_menu.h"
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

// The game's name over the sky, outlined, and a line about the settings.
void TextOutTitle(SURFACE* target) {
  QArea writer;                                      // an area's text drawing: outlined GBK text
  char name[] = "\xD0\xA1\xB4\xE5\xB9\xCA\xCA\xC2";  // 小村故事
  writer.TextOutA(target, 352, 200, name, 24, true, 0xFFE68C, 0x402010);
}

}  // namespace

TitleScene::TitleScene(Game* game) : game_(game) { g_title = this; }

TitleScene::~TitleScene() {
  main_menu_.reset();
  settings_menu_.reset();
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
  // Two menus of plank buttons; each unfolds one button after another when
  // it is shown.
  InItem items[kEntries] = {};
  for (int e = 0; e < kEntries; ++e) {
    const int row = e < kMusic ? e : e - kMusic;
    InItem& it = items[e];
    std::snprintf(it.szCaption, sizeof it.szCaption, "%s", Caption(e).c_str());
    std::snprintf(it.szImage, sizeof it.szImage, "BTNTITLEA");
    it.nID = e;
    it.pfnClick = OnEntryClick;
    it.rect =
        tagRECT{kLeft, kTop + row * kGap, kLeft + kWidth - 1, kTop + row * kGap + kHeight - 1};
  }
  std::snprintf(items[kNewGame].szTip, sizeof items[kNewGame].szTip,
                "\xB4\xD3\xCD\xB7\xBF\xAA\xCA\xBC");  // 从头开始
  std::snprintf(items[kContinue].szTip, sizeof items[kContinue].szTip,
                "\xB6\xC1\xC8\xA1\xB4\xE6\xB5\xB5");  // 读取存档
  std::snprintf(items[kFullScreen].szTip, sizeof items[kFullScreen].szTip, "Alt+Enter");
  main_menu_ = std::make_unique<QBtMenu>(kMusic, items);
  settings_menu_ = std::make_unique<QBtMenu>(kEntries - kMusic, items + kMusic);
  if (main_menu_->GetCount() != kMusic || !main_menu_->GetItem(0)->m_pImage[0]) {
    *error = "cannot load BTNTITLEA0";
    return false;
  }
  ShowPage(false);
  game_->PlayMusic("title");
  return true;
}

void TitleScene::ShowPage(bool settings) {
  settings_page_ = settings;
  CChainManager* chains = AfxGetChainManager();
  chains->Delete(settings ? main_menu_.get() : settings_menu_.get(), CHAIN_TOP);
  chains->Add(settings ? settings_menu_.get() : main_menu_.get(), CHAIN_TOP);
  // The mouse may now rest on a button that was not there.
  chains->RefreshAll();
}

// The settings buttons show the values they change.
void TitleScene::Refresh() {
  for (int e = kMusic; e < kEntries; ++e) {
    QButton* b = settings_menu_->GetItem(static_cast<unsigned>(e - kMusic));
    if (!b) continue;
    char tip[20];
    std::snprintf(tip, sizeof tip, "%s", b->m_szTip);
    b->ChangeImage(Caption(e).c_str(), tip, "BTNTITLEA");
  }
}

std::string TitleScene::Caption(int entry) const {
  const Settings& s = game_->Config();
  char line[64];
  switch (entry) {
    case kNewGame:
      return "\xD0\xC2\xD3\xCE\xCF\xB7";  // 新游戏
    case kContinue:
      return "\xBC\xCC\xD0\xF8";  // 继续
    case kSettings:
      return "\xC9\xE8\xD6\xC3";  // 设置
    case kQuit:
      return "\xCD\xCB\xB3\xF6";  // 退出
    case kMusic:
      std::snprintf(line, sizeof line, "\xD2\xF4\xC0\xD6 %d%%", s.music);  // 音乐
      return line;
    case kEffects:
      std::snprintf(line, sizeof line, "\xD2\xF4\xD0\xA7 %d%%", s.effects);  // 音效
      return line;
    case kFullScreen:
      return s.full_screen ? "\xC8\xAB\xC6\xC1 \xBF\xAA"
                           : "\xC8\xAB\xC6\xC1 \xB9\xD8";  // 全屏 开 / 关
    default:
      return "\xB7\xB5\xBB\xD8";  // 返回
  }
}

void TitleScene::Choose(int entry) {
  Settings& s = game_->Config();
  game_->Log() << "frame " << game_->FrameNumber() << " title: entry " << entry << "\n";
  switch (entry) {
    case kNewGame:
      game_->StartWorld(NewGame());
      break;
    case kContinue:
      if (!game_->ContinueSaved()) {
        notice_ = "\xC3\xBB\xD3\xD0\xB4\xE6\xB5\xB5";  // 没有存档
        notice_frame_ = game_->FrameNumber();
      }
      break;
    case kSettings:
      ShowPage(true);
      break;
    case kQuit:
      game_->Quit();
      break;
    case kMusic:
      s.music = NextVolume(s.music);
      ApplyVolumes(AfxGetSound(), s);
      break;
    case kEffects:
      s.effects = NextVolume(s.effects);
      ApplyVolumes(AfxGetSound(), s);
      game_->PlayEffect("bell");
      break;
    case kFullScreen:
      game_->ToggleFullScreen();
      break;
    case kBack:
      SaveSettings(game_->Database(), s);
      ShowPage(false);
      break;
    default:
      break;
  }
  if (entry >= kMusic) Refresh();
}

void TitleScene::Draw(SURFACE* target) {
  back_->Blit(target, 0, 0);
  TextOutTitle(target);
  if (!notice_.empty() && game_->FrameNumber() - notice_frame_ < 60) {
    QArea writer;
    writer.TextOutA(target, 368, 520, notice_.data(), 16, true, 0xFF8080, 0x200000);
  }
}

}  // namespace demo
