// The resources built into ServerCoreDownloader.exe, read from the exe the way Explorer reads them:
// the manifest Windows applies at start, the version information it shows, and the icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/resources/resource_ids.h"
#include "app/version.h"

namespace dl {
namespace {

// DL_APP_EXE is the exe's Unix path; Wine shows the Unix root as drive Z:.
std::wstring exePath() {
  const std::string unixPath = DL_APP_EXE;
  std::wstring path(MultiByteToWideChar(CP_UTF8, 0, unixPath.data(),
                                        static_cast<int>(unixPath.size()), nullptr, 0),
                    L'\0');
  MultiByteToWideChar(CP_UTF8, 0, unixPath.data(), static_cast<int>(unixPath.size()), path.data(),
                      static_cast<int>(path.size()));
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return L"Z:" + path;
}

struct FreeModule {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeModule>;

std::span<const std::uint8_t> resource(HMODULE module, LPCWSTR type, LPCWSTR name) {
  HRSRC found = FindResourceW(module, name, type);
  if (found == nullptr) return {};
  const void* data = LockResource(LoadResource(module, found));
  return {static_cast<const std::uint8_t*>(data), SizeofResource(module, found)};
}

std::string_view textOf(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The start tag of the first element named `name` that contains `marker`, or "" if none does.
std::string_view elementWith(std::string_view xml, std::string_view name, std::string_view marker) {
  const std::string open = "<" + std::string(name);
  for (std::size_t at = xml.find(open); at != std::string_view::npos; at = xml.find(open, at + 1)) {
    const std::size_t end = xml.find('>', at);
    const std::string_view tag = xml.substr(at, end - at + 1);
    if (tag.find(marker) != std::string_view::npos) return tag;
  }
  return {};
}

class ExeResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(LoadLibraryExW(exePath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(module_) << "cannot load " << DL_APP_EXE << ": error " << GetLastError();
  }
  HMODULE module() const { return module_.get(); }

 private:
  UniqueModule module_;
};

TEST_F(ExeResources, ManifestAsksForPerMonitorDpiThemedControlsAndNoElevation) {
  const std::string_view manifest =
      textOf(resource(module(), RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID));
  ASSERT_FALSE(manifest.empty()) << "no manifest with ID 1";

  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string_view::npos);
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string_view::npos);

  const std::string_view controls =
      elementWith(manifest, "assemblyIdentity", "\"Microsoft.Windows.Common-Controls\"");
  EXPECT_NE(controls.find("version=\"6.0.0.0\""), std::string_view::npos) << controls;
  EXPECT_NE(controls.find("publicKeyToken=\"6595b64144ccf1df\""), std::string_view::npos)
      << controls;

  const std::string_view level = elementWith(manifest, "requestedExecutionLevel", "level=");
  EXPECT_NE(level.find("level=\"asInvoker\""), std::string_view::npos) << level;

  for (const char* os : {"e2011457-1546-43c5-a5fe-008deee3d3f0",     // Vista
                         "35138b9a-5d96-4fbd-8e2d-a2440225f93a",     // 7
                         "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",     // 8
                         "1f676c76-80e1-4239-95bb-83d0f6d0da78",     // 8.1
                         "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {  // 10 and 11
    EXPECT_NE(elementWith(manifest, "supportedOS", os), std::string_view{}) << os;
  }
  // Texts are converted from GBK by the program itself, whatever the system code page.
  EXPECT_EQ(manifest.find("activeCodePage"), std::string_view::npos);
}

TEST_F(ExeResources, ManifestIsAcceptedAsAnActivationContext) {
  // Windows builds this context from the manifest when the exe starts; a malformed manifest or an
  // unresolvable dependency fails here as it would fail the start.
  const std::wstring path = exePath();
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = path.c_str();
  request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
  HANDLE context = CreateActCtxW(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  ReleaseActCtx(context);
}

class VersionInfo : public ExeResources {
 protected:
  void SetUp() override {
    ExeResources::SetUp();
    if (HasFatalFailure()) return;
    const auto bytes = resource(module(), RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
    ASSERT_FALSE(bytes.empty()) << "no version resource";
    // VerQueryValueW wants a block it may write to, as GetFileVersionInfoW hands out.
    block_.assign(bytes.begin(), bytes.end());
    block_.resize(bytes.size() * 2);
  }

  std::pair<const void*, UINT> query(const std::wstring& path) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block_.data(), path.c_str(), &value, &length)) return {nullptr, 0};
    return {value, length};
  }

  std::wstring text(const std::wstring& name) {
    const auto [value, length] = query(L"\\StringFileInfo\\080404b0\\" + name);
    if (value == nullptr) return L"<missing>";
    return std::wstring(static_cast<const wchar_t*>(value),
                        wcsnlen(static_cast<const wchar_t*>(value), length));
  }

 private:
  std::vector<std::uint8_t> block_;
};

TEST_F(VersionInfo, FixedVersionIsTheProjectVersion) {
  const auto [value, length] = query(L"\\");
  ASSERT_NE(value, nullptr);
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  const auto& fixed = *static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
  const DWORD high = MAKELONG(version::kMinor, version::kMajor);
  const DWORD low = MAKELONG(0, version::kPatch);
  EXPECT_EQ(fixed.dwFileVersionMS, high);
  EXPECT_EQ(fixed.dwFileVersionLS, low);
  EXPECT_EQ(fixed.dwProductVersionMS, high);
  EXPECT_EQ(fixed.dwProductVersionLS, low);
  EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
}

TEST_F(VersionInfo, StringsAreThoseOfTheVersionHeaderInSimplifiedChinese) {
  const auto [value, length] = query(L"\\VarFileInfo\\Translation");
  ASSERT_EQ(length, 4u);
  const auto* translation = static_cast<const WORD*>(value);
  EXPECT_EQ(translation[0], 0x0804);  // Chinese (PRC)
  EXPECT_EQ(translation[1], 1200);    // Unicode

  EXPECT_EQ(text(L"ProductName"), version::kProductName);
  EXPECT_EQ(text(L"FileDescription"), version::kFileDescription);
  EXPECT_EQ(text(L"CompanyName"), version::kCompanyName);
  EXPECT_EQ(text(L"LegalCopyright"), version::kLegalCopyright);
  EXPECT_EQ(text(L"OriginalFilename"), version::kOriginalFilename);
  EXPECT_EQ(text(L"InternalName"), version::kInternalName);
  EXPECT_EQ(text(L"FileVersion"), version::kText);
  EXPECT_EQ(text(L"ProductVersion"), version::kText);
  EXPECT_EQ(std::wstring(version::kText), std::to_wstring(version::kMajor) + L"." +
                                              std::to_wstring(version::kMinor) + L"." +
                                              std::to_wstring(version::kPatch));
}

#pragma pack(push, 2)
struct GroupIconHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
struct GroupIconEntry {
  BYTE width;
  BYTE height;
  BYTE colours;
  BYTE reserved;
  WORD planes;
  WORD bitsPerPixel;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

BOOL CALLBACK collectId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR ids) {
  if (IS_INTRESOURCE(name))
    reinterpret_cast<std::set<int>*>(ids)->insert(
        static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
  return TRUE;
}

TEST_F(ExeResources, AppIconIsTheLowestIconId) {
  std::set<int> ids;
  EnumResourceNamesW(module(), RT_GROUP_ICON, collectId, reinterpret_cast<LONG_PTR>(&ids));
  ASSERT_FALSE(ids.empty());
  EXPECT_EQ(*ids.begin(), IDI_APP);
}

TEST_F(ExeResources, AppIconHoldsEverySizeIn32BitColourWithAlpha) {
  const auto group = resource(module(), RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_APP));
  ASSERT_GE(group.size(), sizeof(GroupIconHeader));
  GroupIconHeader header;
  std::memcpy(&header, group.data(), sizeof header);
  EXPECT_EQ(header.type, 1);
  ASSERT_EQ(group.size(), sizeof header + header.count * sizeof(GroupIconEntry));

  std::set<int> sizes;
  for (WORD i = 0; i < header.count; ++i) {
    GroupIconEntry entry;
    std::memcpy(&entry, group.data() + sizeof header + i * sizeof entry, sizeof entry);
    const int size = entry.width == 0 ? 256 : entry.width;
    SCOPED_TRACE(size);
    sizes.insert(size);
    EXPECT_EQ(entry.height, entry.width);
    EXPECT_EQ(entry.bitsPerPixel, 32);

    const auto image = resource(module(), RT_ICON, MAKEINTRESOURCEW(entry.id));
    ASSERT_EQ(image.size(), entry.bytes);
    if (image.size() >= 8 && std::memcmp(image.data(), "\x89PNG\r\n\x1a\n", 8) == 0) {
      EXPECT_EQ(size, 256) << "only the largest image is PNG-compressed";
      ASSERT_GE(image.size(), 26u);
      const auto* ihdr = image.data() + 16;  // width and height, big-endian, then depth and type
      EXPECT_EQ((ihdr[0] << 24) | (ihdr[1] << 16) | (ihdr[2] << 8) | ihdr[3], size);
      EXPECT_EQ(ihdr[8], 8);  // bits per channel
      EXPECT_EQ(ihdr[9], 6);  // RGBA
      continue;
    }
    BITMAPINFOHEADER bitmap;
    ASSERT_GE(image.size(), sizeof bitmap);
    std::memcpy(&bitmap, image.data(), sizeof bitmap);
    EXPECT_EQ(bitmap.biWidth, size);
    EXPECT_EQ(bitmap.biHeight, 2 * size);  // colour and mask
    EXPECT_EQ(bitmap.biBitCount, 32);
    EXPECT_EQ(bitmap.biCompression, static_cast<DWORD>(BI_RGB));

    // The alpha channel is in use: (nearly) clear rounded corners, an opaque middle, soft edges
    // between. (An image whose alpha is all 0 is drawn by its mask instead.)
    const std::size_t pixels = static_cast<std::size_t>(size) * size;
    ASSERT_GE(image.size(), sizeof bitmap + 4 * pixels);
    std::set<int> alphas;
    for (std::size_t p = 0; p < pixels; ++p) alphas.insert(image[sizeof bitmap + 4 * p + 3]);
    EXPECT_LT(*alphas.begin(), 32);
    EXPECT_EQ(*alphas.rbegin(), 255);
    EXPECT_GT(alphas.size(), 2u);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 40, 48, 64, 256}));
}

TEST_F(ExeResources, SixtyFourPixelLookupFindsTheExact32BitImage) {
  // Windows picks the image for a size from the group the way LoadImage does; for 64 x 64 it must
  // find one of exactly that size, not scale another.
  const auto group = resource(module(), RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_APP));
  ASSERT_FALSE(group.empty());
  const int id =
      LookupIconIdFromDirectoryEx(const_cast<PBYTE>(group.data()), TRUE, 64, 64, LR_DEFAULTCOLOR);
  ASSERT_NE(id, 0);
  const auto image = resource(module(), RT_ICON, MAKEINTRESOURCEW(id));
  ASSERT_FALSE(image.empty());
  BITMAPINFOHEADER bitmap;
  ASSERT_GE(image.size(), sizeof bitmap);
  std::memcpy(&bitmap, image.data(), sizeof bitmap);
  EXPECT_EQ(bitmap.biWidth, 64);
  EXPECT_EQ(bitmap.biBitCount, 32);

  HICON icon =
      CreateIconFromResourceEx(const_cast<PBYTE>(image.data()), static_cast<DWORD>(image.size()),
                               TRUE, 0x00030000, 64, 64, LR_DEFAULTCOLOR);
  ASSERT_NE(icon, nullptr) << "error " << GetLastError();
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP colour{};
  ASSERT_NE(info.hbmColor, nullptr);
  GetObjectW(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 64);
  EXPECT_EQ(colour.bmHeight, 64);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

}  // namespace
}  // namespace dl
