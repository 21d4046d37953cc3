#pragma once

#include "downloads/catalogue.h"
#include "downloads/services.h"
#include "downloads/text.h"

namespace dl {

// What a page's download button runs: serves the entry of `family` whose label equals the list's
// text, through `services`. Reads the list afresh before every comparison.
void runDownload(ComponentFamily family, const ListTextReader& readListText,
                 DownloadServices& services);

}  // namespace dl
