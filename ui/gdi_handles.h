// GDI objects and device contexts owned for a scope, and the select-and-restore pair.
#pragma once

#include <windows.h>

#include "services/unique_handle.h"

namespace ui {

struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle object) noexcept { DeleteObject(object); }
};

struct MemoryDcTraits {
  using Handle = HDC;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle dc) noexcept { DeleteDC(dc); }
};

using UniqueGdiObject = dl::UniqueHandle<GdiObjectTraits>;
using UniqueMemoryDc = dl::UniqueHandle<MemoryDcTraits>;

// Selects an object into a device context and puts the previous one back at the end of the scope.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() { SelectObject(dc_, previous_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace ui
