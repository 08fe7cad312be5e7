// Enumerations of the data-aware controls' published properties, registered
// with the meta-object system so that they can be read and written by name.
#pragma once

#include <QObject>

namespace OrnData {
Q_NAMESPACE

// Where a combo box's list file lives.
enum TLoadStyle { lsFromExePath = 0, lsFromFilePath = 1, lsStandart = 2, lsFromAliasPath = 3, lsNone = 4 };
Q_ENUM_NS(TLoadStyle)

// The two-valued character-set choice of TOrnComboBox.
enum TCharSetStyle { csAsLabel = 0, csAsEdit = 1 };
Q_ENUM_NS(TCharSetStyle)

// Style of the combo boxes, as a standard combo box has it.
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
Q_ENUM_NS(TComboBoxStyle)

// Grid lines and the title row of the lookup list.
enum TLookListOption { lloColLines = 1, lloRowLines = 2, lloTitles = 4 };
Q_DECLARE_FLAGS(TLookListOptions, TLookListOption)
Q_FLAG_NS(TLookListOptions)

}  // namespace OrnData

Q_DECLARE_OPERATORS_FOR_FLAGS(OrnData::TLookListOptions)

using OrnData::TCharSetStyle;
using OrnData::TComboBoxStyle;
using OrnData::TLoadStyle;
