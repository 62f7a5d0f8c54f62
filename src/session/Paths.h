#pragma once

// The fixed paths of the suite's local files, as the other modules know them.
namespace qv::paths {
inline constexpr const char *kVariaveis = "C:\\Velmorant\\Temp\\Variaveis.txt";
inline constexpr const char *kImprMes = "C:\\Velmorant\\Temp\\ImprMes.txt";
inline constexpr const char *kFormPrt = "C:\\Velmorant\\Temp\\FORMPRT.PRT";
// On the current drive.
inline constexpr const char *kCaixaCt = "\\Velmorant\\TARVINE\\Arquivos\\CAIXACT.PAD";
} // namespace qv::paths
