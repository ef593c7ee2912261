#pragma once
// The product's title and version as the windows show them.
#include <QString>

namespace takeoff::qtui {

// "禾木工程量计算器", the title of the caption and of the message boxes.
QString ProductTitle();
// " V2.17.1", with its leading space, as it follows the title.
QString VersionText();

}  // namespace takeoff::qtui
