#pragma once

// Marks the classes and functions that libvelmora.so exports; everything else
// is built with hidden visibility.
#define VELMORA_API __attribute__((visibility("default")))
