#pragma once
#include <QString>

namespace qvx {

// Full path of one of the program's helper scripts (e.g. "clearArp.sh"), found from the
// folder of the running executable only, never through the current folder or the search
// path: beside the executable in the build tree, <dir>/../libexec/qvxfinder/ once
// installed. When neither file exists the path beside the executable is returned (starting
// it then fails quietly).
QString helperScriptPath(const QString &applicationDir, const QString &fileName);

} // namespace qvx
