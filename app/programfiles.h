#pragma once

// Files the window looks for beside the program.
inline constexpr const char* SkinFile = "/x/o.cjs";
inline constexpr const char* HandCursorFile = "/HAND-M.CUR";
inline constexpr const char* DragPointerFile = "/drag.ico";
inline constexpr const char* AppIconFile = "/quillmoor.png";
