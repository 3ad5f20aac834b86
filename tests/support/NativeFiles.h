#pragma once
// Whole files on native paths (UTF-8, "/"), read and written with the
// standard library, independently of platform/files.

#include <string>

// Every byte of the file; empty when it is missing.
std::string ReadNativeFile(const std::string& nativePath);
// Creates or replaces the file with bytes; the folder must exist. Throws
// std::runtime_error when the file cannot be written.
void WriteNativeFile(const std::string& nativePath, const std::string& bytes);
