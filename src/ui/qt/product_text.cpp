#include "ui/qt/product_text.h"

#include "platform/host.h"
#include "ui/qt/qt_text.h"
#include "workspace/workspace.h"

namespace takeoff::qtui {

QString ProductTitle() { return FromCp936(platform::CaptionText(platform::MsgCaption::AppTitle)); }

// The core's caption of an unnamed project is the title followed by the version.
QString VersionText() {
  const std::string caption = workspace::ProductCaption();
  const std::string& title = platform::CaptionText(platform::MsgCaption::AppTitle);
  return FromCp936(caption.compare(0, title.size(), title) == 0 ? caption.substr(title.size()) : caption);
}

}  // namespace takeoff::qtui
