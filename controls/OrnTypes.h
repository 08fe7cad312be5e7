// Enumerations shared by the in-house controls and the language and font
// passes that later find them by class: the language kind of a control's
// texts (LoadAs), its character-set choice (CharSetStyle), the label styles,
// button kinds and picture placement. Registered with the meta-object system
// so that the enum properties can be read and written by name.
#pragma once

#include <QObject>
#include <QPalette>

namespace OrnTypes {
Q_NAMESPACE

// Which dictionary lookup translates the control's texts.
enum TLoadAs { AsLabel = 0, AsEdit = 1, AsSystem = 2 };
Q_ENUM_NS(TLoadAs)

// Which process-wide character set the control's font takes.
enum TCharSetStyle3 { cssAsLabel = 0, cssAsEdit = 1, cssAsSystem = 2 };
Q_ENUM_NS(TCharSetStyle3)

enum TLabelStyle { ls_None = 0, lsRaised = 1, lsLowered = 2, lsShadow = 3 };
Q_ENUM_NS(TLabelStyle)

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
Q_ENUM_NS(TBitBtnKind)

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
Q_ENUM_NS(TButtonLayout)

enum TFonStyle { fsCoverAll, fsShowAtPos };
Q_ENUM_NS(TFonStyle)

enum TPaintStyle { psFromBottomRight, psFromTopLeft, psFromTop };
Q_ENUM_NS(TPaintStyle)

enum TPaintPosStyle { psCornerTL, psCornerTR, psCornerBL, psCornerBR };
Q_ENUM_NS(TPaintPosStyle)

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
Q_ENUM_NS(TCheckBoxState)

enum TOrnAltFontCondition {
  acNone,
  acNegative,
  acZero,
  acPositive,
  acZeroNegative,
  acZeroPositive,
  acNotZero,
  acStrings
};
Q_ENUM_NS(TOrnAltFontCondition)

}  // namespace OrnTypes

using OrnTypes::TBitBtnKind;
using OrnTypes::TButtonLayout;
using OrnTypes::TCharSetStyle3;
using OrnTypes::TCheckBoxState;
using OrnTypes::TFonStyle;
using OrnTypes::TLabelStyle;
using OrnTypes::TLoadAs;
using OrnTypes::TOrnAltFontCondition;
using OrnTypes::TPaintPosStyle;
using OrnTypes::TPaintStyle;

namespace orn {

// Rounds to the nearest integer, halves to the even neighbour, as the
// layout rules of the check box, radio button and radio group require.
int RoundHalfEven(double value);

// The design's system colours, taken from the widget's palette so that the
// controls follow the desktop's colour scheme.
enum class SysColor {
  BtnShadow,     // clBtnShadow
  BtnHighlight,  // clBtnHighlight
  Light3D,       // cl3DLight
  DkShadow3D,    // cl3DDkShadow
  Window,        // clWindow
  BtnFace,       // clBtnFace
  BtnText,       // clBtnText
  GrayText,      // clGrayText
  ActiveCaption  // clActiveCaption
};
QColor SystemColor(const QPalette& palette, SysColor color);

// A control keeps the character-set number of its font (186 Baltic,
// 204 Cyrillic, 1 default) as the dynamic property "Charset"; the font pass
// sets it and the text decoding reads it.
inline constexpr char kCharsetProperty[] = "Charset";
inline constexpr int kDefaultCharset = 1;
int Charset(const QObject* control);
void SetCharset(QObject* control, int charset);

}  // namespace orn
