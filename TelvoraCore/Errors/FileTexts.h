#pragma once

#include <QStringView>

// The sentences for a file that could not be read or written; %1 is its path.
namespace telvora::FileTexts {

inline constexpr QStringView notFound = u"O arquivo %1 não foi encontrado.";
inline constexpr QStringView folderMissing = u"Não foi possível gravar %1: a pasta não existe.";
inline constexpr QStringView noReadPermission = u"Sem permissão para ler %1.";
inline constexpr QStringView noWritePermission = u"Sem permissão para gravar %1.";
inline constexpr QStringView isFolder = u"%1 é uma pasta, não um arquivo.";
inline constexpr QStringView diskFull = u"Não há espaço livre em disco para gravar %1.";
inline constexpr QStringView readOnlyDisk = u"Não foi possível gravar %1: o disco é somente leitura.";
inline constexpr QStringView unreadable = u"Não foi possível ler %1.";
inline constexpr QStringView unwritable = u"Não foi possível gravar %1.";

} // namespace telvora::FileTexts
