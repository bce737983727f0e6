// QEdit: the field that takes keystrokes -- one scrolling line (or several
// wrapped lines) of ASCII and GBK text with a caret that never stands inside
// a double-byte character.
//
// The game makes the field the focused area and hands it QKey records
// through InKey, one record per byte of typed text (a Chinese character is
// two records).  The field keeps at most m_nMaxLen - 1 bytes, plays
// "wav\MsgType.wav", "wav\MsgBack.wav" and "wav\MsgBell.wav" for typing,
// editing keys and Enter, pastes from the clipboard (paste key 214), shows
// a blinking three-frame caret while focused, and can show one "*" per byte
// instead of the text.  Enter hands the focus back to the game (message
// 1026), raises the click callback of m_pTarget and then m_pfnEnter.
//
//   QEdit* chat = new QEdit(10, 570, 409, 589, 64, "EditCurs0", nullptr);
//   chat->m_pfnEnter = OnChatLine;       // void OnChatLine(void* edit)
//   AfxGetChainManager()->Add(chat, CHAIN_TOP);
//   AfxSetNowFocus(chat);
//   per key:  chat->InKey(&key);
//
// A character is two bytes when its first byte is 0x81-0xFE and the next is
// 0x40-0xFE; every other byte is one character.
#ifndef TESSERA_GUI_EDIT_H
#define TESSERA_GUI_EDIT_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "engine/pixel.h"
#include "gui/area.h"

class SURFACE;

class QEdit : public QArea {
 public:
  // Defaults: empty, white, single line, no caret frames, room 0.
  QEdit();
  // The defaults with room min(maxLen, 199), then Create; the click
  // callback becomes the focus request.  State 3.
  QEdit(int left, int top, int right, int bottom, int maxLen, char* cursorImage,
        unsigned char* text);
  // Leaves its chain (handing the focus back), then frees the caret frames.
  ~QEdit() override;

  // ACreate; the edit width; a non-null text copied (at most 199 bytes);
  // caret frames cursorImage[0..8] + "0", "1", "2" when the name is not
  // empty.  The room is left as it is.
  void Create(int left, int top, int right, int bottom, int maxLen, char* cursorImage,
              unsigned char* text);
  // Copies at most m_nMaxLen bytes; caret 0.
  void SetText(char* text);
  unsigned char* GetText();
  // Zeroes the first m_nMaxLen bytes; caret 0.
  void ClearEdit();
  void SetMaxTextLength(int n) { m_nMaxLen = n; }
  void SetFontSize(int size) { m_nFontSize = size; }
  void SetTextColor(PIXEL color) { m_TextColor = color; }
  // 1 when text[start + pos] is the second byte of a double-byte character,
  // scanning whole characters from text[start]; 0 when pos < 1, when the
  // byte starts a character, or when it lies past the text's end.
  int CheckIsHalfChinese(unsigned char* text, int start, int pos);
  int IsFirstAlphabetInCharacter(int start, int pos);

  void Show(SURFACE* target) override;
  void SetState(unsigned long state, QAreaChain* chain) override;
  void InKey(QKey* key) override;

  char m_szText[200];
  PIXEL m_TextColor;         // not used for passwords
  bool m_bPassword;          // one "*" per byte
  bool m_bSingleLine;        // false: wrapped lines
  AREA_CALLBACK m_pfnEnter;  // called with the edit on Enter
  SURFACE* m_pCursor[3];     // caret frames, owned
  int32_t m_nCursorFrame;
  int32_t m_nCaret;         // byte index 0..length
  int32_t m_nMaxLen;        // room; the text keeps at most m_nMaxLen - 1 bytes when typed
  uint32_t m_dwCursorTime;  // last caret frame change, 0 = not started
  int32_t m_nFontSize;
  int32_t m_nEditWidth;  // right - left

 private:
  // The room in bytes, kept within the buffer whatever m_nMaxLen holds.
  int Room() const;
  int Length() const;
  void Insert(unsigned char b);
  void DeleteForward();
  void DeleteBackward();
  void Paste();
  // Where the text is drawn (x of the caret relative to left, its line).
  struct Layout {
    int first;      // first byte shown (single line)
    int count;      // bytes shown (single line)
    int caretX;     // caret offset from left in pixels
    int caretLine;  // line of the caret (several lines)
  };
  Layout Measure(int f) const;

  // A first byte refused for lack of room: its second byte is dropped too,
  // so that half a character never turns into a stray letter.
  bool m_bDropSecond = false;
};

#pragma GCC visibility pop
#endif
