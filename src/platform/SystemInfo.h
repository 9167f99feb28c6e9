#pragma once

#include <optional>

namespace platform {

// The operating system's version numbers, as error reports quote them.
struct OsVersion
{
    int major = 0;
    int minor = 0;
    int build = 0;
};

// Empty when the system would not say.
std::optional<OsVersion> osVersion();

// Processor type codes as the Windows system information numbers them.
namespace ProcessorType {
inline constexpr int Intel386 = 386;
inline constexpr int Intel486 = 486;
inline constexpr int IntelPentium = 586;
inline constexpr int MipsR4000 = 4000;
inline constexpr int Alpha21064 = 21064;
inline constexpr int Unknown = 0;
} // namespace ProcessorType

// The processor type a 32-bit program is told: every x86 and x86-64
// processor reports itself as the Pentium family; other architectures have
// no code and report Unknown.
int processorType();

// Physical memory in bytes; zeros when the system would not say.
struct MemoryStatus
{
    double totalPhysical = 0;
    double availablePhysical = 0;
};

MemoryStatus memoryStatus();

} // namespace platform
