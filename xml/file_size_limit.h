// How large an XML file the plug-in and its host tool agree to read.
#pragma once

#include <string>

// The platform's parser reads the attributes of one element in time that grows with their
// square: a quarter megabyte of them takes seconds, a megabyte well over a minute. Files
// this system reads are a few hundred bytes, so anything over this limit is refused unread.
constexpr unsigned long long kMaxReadableXmlFileBytes = 256 << 10;

// Whether path names a file, not a folder, of at most kMaxReadableXmlFileBytes.
bool IsReadableXmlFileSize(const std::string& path);
