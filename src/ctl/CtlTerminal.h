#pragma once

namespace qvx::ctl {

// Whether standard error is a terminal (progress lines are drawn only there).
bool standardErrorIsTerminal();

} // namespace qvx::ctl
