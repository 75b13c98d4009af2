#pragma once
// printf-style formatting into a std::string, for the system's log and
// message texts whose formats are fixed ("%d device(s) found!").

#include <string>

std::string StrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
