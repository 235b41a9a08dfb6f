// The player's resources as the built program carries them: the tray menu,
// the two dialog templates, the link bitmap and the version block.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/win/harness.h"

namespace {

constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

class PlayerResourceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryExW(harness::Wide(harness::PlayerExe()).c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE);
  }
  static void TearDownTestSuite() { FreeLibrary(module_); }
  static std::string Resource(LPCWSTR type, int id) {
    HRSRC found = FindResourceExW(module_, type, MAKEINTRESOURCEW(id), kJapanese);
    if (!found) return {};
    const char* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    return std::string(data, SizeofResource(module_, found));
  }
  static HMODULE module_;
};
HMODULE PlayerResourceTest::module_;

struct Item {
  UINT id;
  UINT state;
  bool separator;
  std::string text;  // UTF-8, as the literals here
};

std::vector<Item> Items(HMENU menu) {
  std::vector<Item> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = L"";
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 128;
    GetMenuItemInfoW(menu, i, TRUE, &info);
    items.push_back(
        {info.wID, info.fState, (info.fType & MFT_SEPARATOR) != 0, harness::Utf8(text)});
  }
  return items;
}

TEST_F(PlayerResourceTest, TrayMenuHasItsFourPopups) {
  ASSERT_TRUE(module_);
  ASSERT_FALSE(Resource(RT_MENU, IDR_TRAY_MENU).empty()) << "the tray menu in Japanese";
  HMENU menu = LoadMenuW(module_, MAKEINTRESOURCEW(IDR_TRAY_MENU));
  ASSERT_TRUE(menu);
  const struct {
    const char* title;
    std::vector<Item> items;
  } expected[] = {
      {"再生(&P)", {{IDM_EXIT, 0, false, "終了(&X)"}}},
      {"編集(&E)",
       {{IDM_REPEAT, MFS_CHECKED, false, "リピート"},
        {0, 0, true, ""},
        {IDM_HELP, 0, false, "ヘルプ(&H)"},
        {IDM_ABOUT, 0, false, "バージョン情報(&V)"},
        {0, 0, true, ""},
        {IDM_PROPERTIES, 0, false, "プロパティ(&P)"},
        {0, 0, true, ""},
        {IDM_EXIT, 0, false, "終了(&X)"}}},
      {"再生(&P)",
       {{IDM_PLAY, 0, false, "再生(&P)"},
        {IDM_STOP, 0, false, "停止(&S)"},
        {IDM_START_MENU, 0, false, "Start Menu"},
        {IDM_DELAY, MFS_CHECKED, false, "遅延(&D)"}}},
      {"FileList(&L)", {{IDM_DUMMY, 0, false, "DUMMY"}}},
  };
  ASSERT_EQ(GetMenuItemCount(menu), 4);
  for (int p = 0; p < 4; ++p) {
    wchar_t title[64] = L"";
    GetMenuStringW(menu, p, title, 64, MF_BYPOSITION);
    EXPECT_EQ(harness::Utf8(title), expected[p].title) << p;
    HMENU popup = GetSubMenu(menu, p);
    ASSERT_TRUE(popup) << p;
    const std::vector<Item> items = Items(popup);
    ASSERT_EQ(items.size(), expected[p].items.size()) << p;
    for (std::size_t i = 0; i < items.size(); ++i) {
      const Item& want = expected[p].items[i];
      EXPECT_EQ(items[i].separator, want.separator) << p << "." << i;
      if (want.separator) continue;
      EXPECT_EQ(items[i].id, want.id) << p << "." << i;
      EXPECT_EQ(items[i].text, want.text) << p << "." << i;
      EXPECT_EQ(items[i].state & MFS_CHECKED, want.state) << p << "." << i;
    }
  }
  DestroyMenu(menu);
}

// A plain dialog template, read field by field.
class Template {
 public:
  explicit Template(const std::string& bytes) : bytes_(bytes) {}
  DWORD Dword() {
    DWORD v = 0;
    Read(&v, 4);
    return v;
  }
  WORD Word() {
    WORD v = 0;
    Read(&v, 2);
    return v;
  }
  short Short() { return static_cast<short>(Word()); }
  // A string or, after 0xFFFF, an ordinal ("#n").
  std::string NameOrOrdinal() {
    const WORD first = Word();
    if (first == 0xFFFF) return "#" + std::to_string(Word());
    std::wstring text;
    for (WORD c = first; c != 0; c = Word()) text += static_cast<wchar_t>(c);
    return harness::Utf8(text);
  }
  void AlignDword() { at_ = (at_ + 3) & ~static_cast<std::size_t>(3); }
  bool AtEnd() const { return at_ >= bytes_.size(); }

 private:
  void Read(void* out, std::size_t n) {
    if (at_ + n <= bytes_.size()) std::memcpy(out, bytes_.data() + at_, n);
    at_ += n;
  }
  std::string bytes_;
  std::size_t at_ = 0;
};

struct Control {
  DWORD style;
  WORD id;
  short x, y, cx, cy;
  std::string windowClass;
  std::string text;
};

struct Dialog {
  DWORD style, exStyle;
  short x, y, cx, cy;
  std::string menu, windowClass, title;
  WORD points;
  std::string face;
  std::vector<Control> controls;
};

// The system classes by their ordinals, however the template names them.
std::string Predefined(const std::string& name) {
  if (lstrcmpiA(name.c_str(), "Button") == 0) return "#128";
  if (lstrcmpiA(name.c_str(), "Static") == 0) return "#130";
  return name;
}

Dialog Parse(const std::string& bytes) {
  Template t(bytes);
  Dialog d;
  d.style = t.Dword();
  d.exStyle = t.Dword();
  const WORD count = t.Word();
  d.x = t.Short(), d.y = t.Short(), d.cx = t.Short(), d.cy = t.Short();
  d.menu = t.NameOrOrdinal();
  d.windowClass = t.NameOrOrdinal();
  d.title = t.NameOrOrdinal();
  d.points = t.Word();
  d.face = t.NameOrOrdinal();
  for (WORD i = 0; i < count; ++i) {
    t.AlignDword();
    Control c;
    c.style = t.Dword();
    t.Dword();  // extended style
    c.x = t.Short(), c.y = t.Short(), c.cx = t.Short(), c.cy = t.Short();
    c.id = t.Word();
    c.windowClass = Predefined(t.NameOrOrdinal());
    c.text = t.NameOrOrdinal();
    const WORD extra = t.Word();
    for (WORD b = 0; b < extra; b += 2) t.Word();
    d.controls.push_back(c);
  }
  return d;
}

constexpr char kButton[] = "#128";
constexpr char kStatic[] = "#130";
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

void ExpectControls(const Dialog& d, const std::vector<Control>& expected) {
  ASSERT_EQ(d.controls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Control& got = d.controls[i];
    const Control& want = expected[i];
    EXPECT_EQ(got.style, want.style) << i << " " << want.text;
    EXPECT_EQ(got.id, want.id) << i;
    EXPECT_EQ(got.windowClass, want.windowClass) << i;
    EXPECT_EQ(got.text, want.text) << i;
    EXPECT_EQ((std::vector<short>{got.x, got.y, got.cx, got.cy}),
              (std::vector<short>{want.x, want.y, want.cx, want.cy}))
        << i << " " << want.text;
  }
}

TEST_F(PlayerResourceTest, PropertiesIsAPlainTemplateWithItsThreeControls) {
  const std::string bytes = Resource(RT_DIALOG, IDD_PROPERTIES);
  ASSERT_GE(bytes.size(), 18u);
  const Dialog d = Parse(bytes);
  EXPECT_NE(d.style & 0xFFFF0000u, 0xFFFF0000u) << "an extended template";
  EXPECT_EQ(d.style,
            static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                               DS_SETFOREGROUND | DS_CENTERMOUSE | DS_3DLOOK | DS_SETFONT));
  EXPECT_EQ(d.exStyle, 0u);
  EXPECT_EQ(d.cx, 95);
  EXPECT_EQ(d.cy, 87);
  EXPECT_EQ(d.menu, "");
  EXPECT_EQ(d.windowClass, "");
  EXPECT_EQ(d.title, "SoBeepのプロパティ");
  EXPECT_EQ(d.points, 9);
  EXPECT_EQ(d.face, "ＭＳ Ｐゴシック");
  ExpectControls(
      d, {
             {kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 6, 66, 39, 14, kButton, "OK"},
             {kChild | WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, 51, 66, 39, 14, kButton, "ｷｬﾝｾﾙ"},
             {kChild | WS_TABSTOP | BS_AUTOCHECKBOX, IDC_REPEAT, 30, 7, 33, 10, kButton, "Repeat"},
         });
}

TEST_F(PlayerResourceTest, AboutIsAPlainTemplateWithTheLinkOverTheBitmap) {
  const std::string bytes = Resource(RT_DIALOG, IDD_ABOUT);
  ASSERT_GE(bytes.size(), 18u);
  const Dialog d = Parse(bytes);
  EXPECT_EQ(d.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFOREGROUND |
                                        DS_SETFONT));
  EXPECT_EQ(d.cx, 179);
  EXPECT_EQ(d.cy, 93);
  EXPECT_EQ(d.title, "soBeepについて");
  EXPECT_EQ(d.points, 9);
  EXPECT_EQ(d.face, "ＭＳ Ｐゴシック");
  ASSERT_EQ(d.controls.size(), 9u);
  // The texts the maker chooses are checked for being there, not for wording.
  const std::vector<Control> fixed = {
      {kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 79, 74, 20, 14, kButton, "OK"},
      {kChild | WS_TABSTOP | BS_OWNERDRAW, IDC_URL, 35, 48, 107, 11, kButton, "URL"},
      {kChild | WS_GROUP | SS_CENTER, 0xFFFF, 42, 61, 95, 8, kStatic, d.controls[2].text},
      {kChild | WS_GROUP | SS_LEFT, 0xFFFF, 29, 25, 123, 8, kStatic, d.controls[3].text},
      {kChild | WS_GROUP | SS_LEFT, 0xFFFF, 100, 34, 75, 7, kStatic, d.controls[4].text},
      {kChild | WS_GROUP | SS_LEFT, 0xFFFF, 142, 13, 30, 8, kStatic, "FreeWare."},
      {kChild | WS_GROUP | SS_LEFT, 0xFFFF, 47, 13, 79, 8, kStatic, "SoBeep - Version 1.00"},
      {kChild | SS_ICON | SS_SUNKEN, 0xFFFF, 7, 7, 18, 20, kStatic, "#115"},
      {kChild | SS_BITMAP, 0xFFFF, 36, 49, 106, 9, kStatic, "#135"},
  };
  ExpectControls(d, fixed);
  for (int i : {2, 3, 4}) EXPECT_FALSE(d.controls[i].text.empty()) << i;
}

TEST_F(PlayerResourceTest, LinkBitmapIsBlueOnGreyWithASolidBlueBottomRow) {
  const std::string bytes = Resource(RT_BITMAP, IDB_HOMEPAGE);
  ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes.data(), sizeof header);
  EXPECT_EQ(header.biWidth, 186);
  ASSERT_EQ(header.biHeight, 13) << "bottom-up rows";
  ASSERT_EQ(header.biBitCount, 4);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  const RGBQUAD* palette = reinterpret_cast<const RGBQUAD*>(bytes.data() + header.biSize);
  const unsigned colours = header.biClrUsed ? header.biClrUsed : 16;
  const unsigned char* bits =
      reinterpret_cast<const unsigned char*>(palette) + colours * sizeof(RGBQUAD);
  const int stride = ((186 * 4 + 31) / 32) * 4;
  ASSERT_GE(bytes.size(),
            static_cast<std::size_t>(bits - reinterpret_cast<const unsigned char*>(bytes.data()) +
                                     stride * 13));
  int blue = 0;
  for (int row = 0; row < 13; ++row)
    for (int x = 0; x < 186; ++x) {
      const unsigned char pair = bits[row * stride + x / 2];
      const RGBQUAD c = palette[x % 2 == 0 ? pair >> 4 : pair & 0xF];
      const bool isBlue = c.rgbRed == 0 && c.rgbGreen == 0 && c.rgbBlue == 255;
      const bool isGrey = c.rgbRed == 192 && c.rgbGreen == 192 && c.rgbBlue == 192;
      ASSERT_TRUE(isBlue || isGrey) << "pixel " << x << "," << 12 - row;
      if (row == 0) {
        EXPECT_TRUE(isBlue) << "bottom row at " << x;
      } else if (isBlue) {
        ++blue;
      }
    }
  EXPECT_GT(blue, 200) << "the address is drawn in blue";
}

std::string VersionString(const std::vector<char>& block, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\041104b0\\") + name;
  if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
    return "<missing>";
  return std::string(value);
}

TEST_F(PlayerResourceTest, VersionBlockKeepsItsThreeVersionTexts) {
  const std::wstring exe = harness::Wide(harness::PlayerExe());
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0411);
  EXPECT_EQ(translation[1], 0x04B0);
  EXPECT_EQ(VersionString(block, "CompanyName"), "Norvan software.");
  EXPECT_EQ(VersionString(block, "FileDescription"), "SoBeep");
  EXPECT_EQ(VersionString(block, "InternalName"), "SoBeep");
  EXPECT_EQ(VersionString(block, "FileVersion"), "0.9.2");
  EXPECT_EQ(VersionString(block, "ProductVersion"), "0.9.2");
  EXPECT_EQ(VersionString(block, "OriginalFilename"), "SoBeep.exe");
  EXPECT_EQ(VersionString(block, "ProductName"), "Norvan software. Chimbell");
  EXPECT_FALSE(Resource(RT_VERSION, 1).empty()) << "a Japanese version block";
}

}  // namespace
