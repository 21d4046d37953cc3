// The fixed table of everything the program can download.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace dl {

enum class ComponentFamily { Paper, Spigot, Java };

// The two endpoints that serve the downloads, both over HTTPS.
enum class SourceKind { ReleaseMirror, RuntimeMirror };

struct CompletionNotice {
  const char* text;
  const char* caption;
  std::int32_t style;
};

// One downloadable item. Texts are GBK byte strings that live as long as the program.
struct CatalogueEntry {
  ComponentFamily family;
  const char* label;     // exactly as the family's list shows it
  const char* fileName;  // begins with a backslash; appended to the chosen folder
  SourceKind sourceKind;
  const char* sourcePath;  // begins with a slash, already percent-encoded
  const char* folderPrompt;
  CompletionNotice notice;
};

class DownloadCatalogue {
 public:
  // The family's entries, in table order.
  static std::span<const CatalogueEntry> entriesOf(ComponentFamily family);
  // Host (and optional port) of the endpoint, fixed when the program is built.
  static const char* endpointHost(SourceKind kind);
  // "https://" + host + path, with nothing inserted, removed or escaped.
  static std::string sourceUrl(const CatalogueEntry& entry);
};

}  // namespace dl
