#pragma once
// Enumerations and sets that published properties use, with the value names form
// descriptions write ("Align = alTop", "Font.Style = [fsBold]"). They live in a Qt
// namespace so the meta-object system knows their names; the values are also brought to
// global scope, where the windows' code names them.

#include <QFlags>
#include <QObject>

namespace toolkit {
Q_NAMESPACE

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
Q_ENUM_NS(TAlign)

enum TAnchorKind { akLeft = 0x1, akTop = 0x2, akRight = 0x4, akBottom = 0x8 };
Q_DECLARE_FLAGS(TAnchors, TAnchorKind)
Q_FLAG_NS(TAnchors)

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)

// Whether pressing the left button on a control starts dragging it.
enum TDragMode { dmManual, dmAutomatic };
Q_ENUM_NS(TDragMode)

// Where a dragged control is, as the control under it hears.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
Q_ENUM_NS(TDragState)

// Which of a control's help references names its help topic.
enum THelpType { htKeyword, htContext };
Q_ENUM_NS(THelpType)

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
Q_ENUM_NS(TBiDiMode)

// Mouse pointers; values as the platform's toolkit numbers them.
enum TCursor {
    crDefault = 0,
    crNone = -1,
    crArrow = -2,
    crCross = -3,
    crIBeam = -4,
    crSizeNESW = -6,
    crSizeNS = -7,
    crSizeNWSE = -8,
    crSizeWE = -9,
    crUpArrow = -10,
    crHourGlass = -11,
    crDrag = -12,
    crNoDrop = -13,
    crHSplit = -14,
    crVSplit = -15,
    crMultiDrag = -16,
    crSQLWait = -17,
    crNo = -18,
    crAppStart = -19,
    crHelp = -20,
    crHandPoint = -21,
    crSizeAll = -22,
};
Q_ENUM_NS(TCursor)

enum TMouseButton { mbLeft, mbRight, mbMiddle };
Q_ENUM_NS(TMouseButton)

enum TShiftStateFlag {
    ssShift = 0x1,
    ssAlt = 0x2,
    ssCtrl = 0x4,
    ssLeft = 0x8,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_FLAG_NS(TShiftState)

// Frames of forms; controls with a border use bsNone and bsSingle.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
Q_ENUM_NS(TFormBorderStyle)

// Bevel edges; bvSpace keeps a bevel's place without drawing it.
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
Q_ENUM_NS(TBevelCut)

enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter,
};
Q_ENUM_NS(TPosition)

enum TCloseAction { caNone, caHide, caFree, caMinimize };
Q_ENUM_NS(TCloseAction)

enum TFontStyle { fsBold = 0x1, fsItalic = 0x2, fsUnderline = 0x4, fsStrikeOut = 0x8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_FLAG_NS(TFontStyles)

enum TFontPitch { fpDefault, fpVariable, fpFixed };
Q_ENUM_NS(TFontPitch)

// Character sets by the names form descriptions use; any other number is allowed too.
enum TFontCharset {
    ANSI_CHARSET = 0,
    DEFAULT_CHARSET = 1,
    SYMBOL_CHARSET = 2,
    MAC_CHARSET = 77,
    SHIFTJIS_CHARSET = 128,
    HANGEUL_CHARSET = 129,
    JOHAB_CHARSET = 130,
    GB2312_CHARSET = 134,
    CHINESEBIG5_CHARSET = 136,
    GREEK_CHARSET = 161,
    TURKISH_CHARSET = 162,
    VIETNAMESE_CHARSET = 163,
    HEBREW_CHARSET = 177,
    ARABIC_CHARSET = 178,
    BALTIC_CHARSET = 186,
    RUSSIAN_CHARSET = 204,
    THAI_CHARSET = 222,
    EASTEUROPE_CHARSET = 238,
    OEM_CHARSET = 255,
};
Q_ENUM_NS(TFontCharset)

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
Q_ENUM_NS(TPenStyle)

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
Q_ENUM_NS(TBrushStyle)

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
Q_ENUM_NS(TBitBtnKind)

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
Q_ENUM_NS(TButtonLayout)

enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
Q_ENUM_NS(TButtonStyle)

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
Q_ENUM_NS(TViewStyle)

}  // namespace toolkit

Q_DECLARE_OPERATORS_FOR_FLAGS(toolkit::TAnchors)
Q_DECLARE_OPERATORS_FOR_FLAGS(toolkit::TShiftState)
Q_DECLARE_OPERATORS_FOR_FLAGS(toolkit::TFontStyles)

using toolkit::TAlign;
using enum toolkit::TAlign;
using toolkit::TAnchorKind;
using toolkit::TAnchors;
using enum toolkit::TAnchorKind;
using toolkit::TAlignment;
using enum toolkit::TAlignment;
using toolkit::TDragMode;
using enum toolkit::TDragMode;
using toolkit::TDragState;
using enum toolkit::TDragState;
using toolkit::THelpType;
using enum toolkit::THelpType;
using toolkit::TBiDiMode;
using enum toolkit::TBiDiMode;
using toolkit::TCursor;
using enum toolkit::TCursor;
using toolkit::TMouseButton;
using enum toolkit::TMouseButton;
using toolkit::TShiftState;
using toolkit::TShiftStateFlag;
using enum toolkit::TShiftStateFlag;
using toolkit::TFormBorderStyle;
using enum toolkit::TFormBorderStyle;
using toolkit::TBevelCut;
using enum toolkit::TBevelCut;
using toolkit::TPosition;
using enum toolkit::TPosition;
using toolkit::TCloseAction;
using enum toolkit::TCloseAction;
using toolkit::TFontStyle;
using toolkit::TFontStyles;
using enum toolkit::TFontStyle;
using toolkit::TFontPitch;
using enum toolkit::TFontPitch;
using toolkit::TFontCharset;
using enum toolkit::TFontCharset;
using toolkit::TPenStyle;
using enum toolkit::TPenStyle;
using toolkit::TBrushStyle;
using enum toolkit::TBrushStyle;
using toolkit::TBitBtnKind;
using enum toolkit::TBitBtnKind;
using toolkit::TButtonLayout;
using enum toolkit::TButtonLayout;
using toolkit::TButtonStyle;
using enum toolkit::TButtonStyle;
using toolkit::TViewStyle;
using enum toolkit::TViewStyle;

// Results of modal windows and message boxes; buttons store them as plain numbers.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
