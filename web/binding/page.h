#pragma once
// The page's files on emscripten's in-memory file system, and what the page
// keeps between calls on its own thread.
#include <emscripten/val.h>

#include <string>

#include "app/shared/kept_result.h"

namespace voltrigg::web {

// Every run starts in an empty folder holding the list under its own name,
// so that messages name the files as voltrigg-cli does when started beside
// the list. Opened files and profiles go to folders of their own, never the
// run's, so that a file named like another cannot meet it.
inline constexpr const char* kRunFolder = "/voltrigg";
inline constexpr const char* kOpenFolder = "/voltrigg-open";
inline constexpr const char* kProfileFolder = "/voltrigg-profile";

// `folder` emptied (made when missing) and made the current folder.
void FreshFolder(const char* folder);

// Leaves `folder` for "/" and removes it.
void RemoveFolder(const char* folder);

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

// A picked or dropped file, { name, bytes }: its name's last part (as it is
// written to the folder; `fallback` for none) and its bytes.
struct PageFile {
  std::string name;
  std::string bytes;
};
PageFile FileOf(const emscripten::val& file, const std::string& fallback = "modules.csv");

// The result the page shows, kept for the commissioning check: the last one
// planned or opened with `keep`. The worker, which only assesses, never keeps one.
KeptResult& Kept();

// True when `options` says keep.
bool KeepsResult(const emscripten::val& options);

}  // namespace voltrigg::web
