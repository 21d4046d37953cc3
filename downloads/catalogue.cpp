#include "downloads/catalogue.h"

#include <algorithm>
#include <array>

// Narrow literals in this program are GBK (-fexec-charset=GBK); the hosts come from the build.
#ifndef DL_RELEASE_MIRROR_HOST
#error "DL_RELEASE_MIRROR_HOST must be set by the build"
#endif
#ifndef DL_RUNTIME_MIRROR_HOST
#error "DL_RUNTIME_MIRROR_HOST must be set by the build"
#endif

namespace dl {
namespace {

using enum ComponentFamily;
using enum SourceKind;

struct FamilySettings {
  ComponentFamily family;
  const char* folderPrompt;
  CompletionNotice notice;
};

// clang-format off
constexpr std::array familySettings{
    //             folderPrompt      notice.text          notice.caption  notice.style
    FamilySettings{Paper,  "核心保存位置", {"Paper核心下载完成",  "下载完成", 64}},
    FamilySettings{Spigot, "核心保存位置", {"Spigot核心下载完成", "下载完成", 64}},
    FamilySettings{Java,   "Java保存位置", {"下载完成！",         "下载完成", 64}},
};
// clang-format on

constexpr CatalogueEntry entry(ComponentFamily family, const char* label, const char* fileName,
                               SourceKind kind, const char* path) {
  const FamilySettings& settings =
      *std::find_if(familySettings.begin(), familySettings.end(),
                    [family](const FamilySettings& s) { return s.family == family; });
  return {family, label, fileName, kind, path, settings.folderPrompt, settings.notice};
}

// clang-format off
constexpr std::array catalogue{
    // Paper entries
    entry(Paper, "Paper 1.8.8",  "\\Paper_1.8.8.jar",  ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.8.8-445.jar"),
    entry(Paper, "Paper 1.9.4",  "\\Paper_1.9.4.jar",  ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.9.4-775.jar"),
    entry(Paper, "Paper 1.10.2", "\\Paper_1.10.2.jar", ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.10.2-918.jar"),
    entry(Paper, "Paper 1.11.2", "\\Paper_1.11.2.jar", ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.11.2-1106.jar"),
    entry(Paper, "Paper 1.12.2", "\\Paper_1.12.2.jar", ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.12.2-1620.jar"),
    entry(Paper, "Paper 1.13.2", "\\Paper_1.13.2.jar", ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.13.2-657.jar"),
    entry(Paper, "Paper 1.14.4", "\\Paper_1.14.4.jar", ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.14.4-245.jar"),
    entry(Paper, "Paper 1.15.2", "\\Paper_1.15.2.jar", ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.15.2-393.jar"),
    entry(Paper, "Paper 1.16.5", "\\Paper_1.16.5.jar", ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.16.5-794.jar"),
    entry(Paper, "Paper 1.17.1", "\\Paper_1.17.1.jar", ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.17.1-411.jar"),
    entry(Paper, "Paper 1.18.2", "\\Paper_1.18.2.jar", ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.18.2-387.jar"),
    entry(Paper, "Paper 1.19.2", "\\Paper_1.19.2.jar", ReleaseMirror, "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.19.2-133.jar"),

    // Spigot entries
    entry(Spigot, "Spigot 1.7.10", "\\Spigot_1.7.10.jar", ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.7.10.jar"),
    entry(Spigot, "Spigot 1.8.9",  "\\Spigot_1.8.9.jar",  ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.8.9.jar"),
    entry(Spigot, "Spigot 1.9.4",  "\\Spigot_1.9.4.jar",  ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.9.4.jar"),
    entry(Spigot, "Spigot 1.10.2", "\\Spigot_1.10.2.jar", ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.10.2.jar"),
    entry(Spigot, "Spigot 1.11.2", "\\Spigot_1.11.2.jar", ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.11.2.jar"),
    entry(Spigot, "Spigot 1.12.2", "\\Spigot_1.12.2.jar", ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.12.2.jar"),
    entry(Spigot, "Spigot 1.13.2", "\\Spigot_1.13.2.jar", ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.13.2.jar"),
    entry(Spigot, "Spigot 1.14.4", "\\Spigot_1.14.4.jar", ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.14.4.jar"),
    entry(Spigot, "Spigot 1.15.2", "\\Spigot_1.15.2.jar", ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.15.2.jar"),
    entry(Spigot, "Spigot 1.16.5", "\\Spigot_1.16.5.jar", ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.16.5.jar"),
    entry(Spigot, "Spigot 1.17.1", "\\Spigot_1.17.1.jar", ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.17.1.jar"),
    entry(Spigot, "Spigot 1.18.2", "\\Spigot_1.18.2.jar", ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.18.2.jar"),
    entry(Spigot, "Spigot 1.19.2", "\\Spigot_1.19.2.jar", ReleaseMirror, "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.19.2.jar"),

    // Java entries
    entry(Java, "Java8 32位",  "\\Java8 32位.zip",  RuntimeMirror, "/Adoptium/8/jre/x32/windows/OpenJDK8U-jre_x86-32_windows_hotspot_8u345b01.zip"),
    entry(Java, "Java16 32位", "\\Java16 32位.zip", ReleaseMirror, "/AdoptOpenJDK/openjdk16-binaries/releases/download/jdk-16.0.1%2B9/OpenJDK16U-jre_x86-32_windows_hotspot_16.0.1_9.zip"),
    entry(Java, "Java17 32位", "\\Java17 32位.zip", RuntimeMirror, "/Adoptium/17/jre/x32/windows/OpenJDK17U-jre_x86-32_windows_hotspot_17.0.4.1_1.zip"),
    entry(Java, "Java18 32位", "\\Java18 32位.zip", RuntimeMirror, "/Adoptium/18/jre/x32/windows/OpenJDK18U-jre_x86-32_windows_hotspot_18.0.2_9.zip"),
    entry(Java, "Java8 64位",  "\\Java8 64位.zip",  RuntimeMirror, "/Adoptium/8/jre/x64/windows/OpenJDK8U-jre_x64_windows_hotspot_8u345b01.zip"),
    entry(Java, "Java16 64位", "\\Java16 64位.zip", ReleaseMirror, "/AdoptOpenJDK/openjdk16-binaries/releases/download/jdk-16.0.1%2B9/OpenJDK16U-jre_x64_windows_hotspot_16.0.1_9.zip"),
    entry(Java, "Java17 64位", "\\Java17 64位.zip", RuntimeMirror, "/Adoptium/17/jre/x64/windows/OpenJDK17U-jre_x64_windows_hotspot_17.0.4.1_1.zip"),
    entry(Java, "Java18 64位", "\\Java18 64位.zip", RuntimeMirror, "/Adoptium/18/jre/x64/windows/OpenJDK18U-jre_x64_windows_hotspot_18.0.2_9.zip"),
};
// clang-format on

}  // namespace

std::span<const CatalogueEntry> DownloadCatalogue::entriesOf(ComponentFamily family) {
  // Each family's entries stand together in the table.
  const auto first = std::find_if(catalogue.begin(), catalogue.end(),
                                  [family](const CatalogueEntry& e) { return e.family == family; });
  const auto last = std::find_if(first, catalogue.end(),
                                 [family](const CatalogueEntry& e) { return e.family != family; });
  return {first, last};
}

const char* DownloadCatalogue::endpointHost(SourceKind kind) {
  return kind == ReleaseMirror ? DL_RELEASE_MIRROR_HOST : DL_RUNTIME_MIRROR_HOST;
}

std::string DownloadCatalogue::sourceUrl(const CatalogueEntry& entry) {
  return std::string("https://") + endpointHost(entry.sourceKind) + entry.sourcePath;
}

}  // namespace dl
