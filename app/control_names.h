// The object names of the main window's controls, as its form names them.
#pragma once

namespace controls {

inline constexpr const char* kAccountBox = "编辑框帐号";
inline constexpr const char* kAlbumListButton = "按钮1";
inline constexpr const char* kAlbumListBox = "编辑框4";
inline constexpr const char* kAlbumIdBox = "编辑框相册ID";
inline constexpr const char* kFetchPhotosButton = "按钮4";
inline constexpr const char* kCountBox = "编辑框2";
inline constexpr const char* kStatusBox = "编辑框3";
inline constexpr const char* kBrowser = "互联网浏览器1";
inline constexpr const char* kDownloadButton = "按钮3";
inline constexpr const char* kCopyButton = "按钮2";
inline constexpr const char* kUrlBox = "编辑框1";

}  // namespace controls
