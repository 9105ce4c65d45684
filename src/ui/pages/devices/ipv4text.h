#pragma once

#include <QString>

// True when the text is an IPv4 address in the dotted form the C library's inet_pton reads:
// four decimal parts of at most 255, nothing before, between or after them. Shortened forms
// ("192.168.1"), host names and surrounding spaces are refused.
bool isDottedIPv4(const QString &text);
