#pragma once
// The icon set of the tool bars and the project tree, compiled in as resources
// (":/icons/<Name>.svg").
#include <string>

#include <QIcon>

namespace takeoff::qtui {

// The icon of the command named `name` ("ActionNew", "ToolButton26", ...); a null
// icon when the set has none.
QIcon CommandIcon(const std::string& name);

// The project tree's image `index`: 0 root, 1 root selected, 2 to 5 the node kinds
// 1 to 4 (floor, location, category, component), 6 a selected node of kinds 1 to 3,
// 7 a selected component. A null icon for any other index.
QIcon NodeIcon(int index);

}  // namespace takeoff::qtui
