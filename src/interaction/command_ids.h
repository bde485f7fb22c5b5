#pragma once

namespace interaction {

// Command identifiers. Menu items, accelerators and the on-screen buttons all end in
// CAppForm::OnCommand with one of these.

namespace cmd {

inline constexpr int kFullScreen = 2003;
inline constexpr int kDetailHigh = 2007;
inline constexpr int kDetailMedium = 2008;
inline constexpr int kDetailLow = 2009;
inline constexpr int kToggleAutoSpin = 40013;
inline constexpr int kColourRed = 40018;
inline constexpr int kColourYellow = 40019;
inline constexpr int kColourGreen = 40020;
inline constexpr int kColourBlue = 40021;
inline constexpr int kColourWhite = 40022;
inline constexpr int kShowGrid = 40023;
inline constexpr int kShowCubes = 40025;
inline constexpr int kShowHints = 40026;
inline constexpr int kRandomColour = 40029;
inline constexpr int kAbout = 40031;
inline constexpr int kToggleOrbit = 40039;
inline constexpr int kShowAxes = 40041;
inline constexpr int kSaveAs = 40051;
inline constexpr int kOpen = 40052;
inline constexpr int kNew = 40053;
inline constexpr int kCentreTarget = 40074;
inline constexpr int kCentre = 40078;
inline constexpr int kTwistMode = 40080;
inline constexpr int kCancelTwist = 40082;
inline constexpr int kPaintMode = 40084;
inline constexpr int kBackgroundColour = 40086;
inline constexpr int kGridColour = 40089;
inline constexpr int kOrbitMode = 40098;
inline constexpr int kFreeTargetMode = 40099;
inline constexpr int kAutoSpinAround = 40100;
inline constexpr int kAutoSpinTarget = 40101;
inline constexpr int kDeleteMode = 40104;
inline constexpr int kAddMode = 40105;
inline constexpr int kInspectMode = 40113;
inline constexpr int kCopyColourMode = 40115;
inline constexpr int kShowButtons = 40122;
inline constexpr int kChooseCentreMode = 40124;
inline constexpr int kFindNearest = 40126;
inline constexpr int kExportMesh = 40160;
inline constexpr int kSaveImage = 40161;
// Plain save takes the classic file-save id.
inline constexpr int kSave = 57603;
// Undo and redo take the classic edit-undo and edit-redo ids, free of every other command;
// the branch commands the classic clear, copy and paste ids.
inline constexpr int kUndo = 57643;
inline constexpr int kRedo = 57644;
inline constexpr int kDeleteBranch = 57632;
inline constexpr int kCopyBranch = 57634;
inline constexpr int kPasteBranch = 57637;
inline constexpr int kPaintBranch = 40170;
// The standard views, in the order of interaction::StandardView, and levelling the camera.
inline constexpr int kViewFront = 40171;
inline constexpr int kViewBack = 40172;
inline constexpr int kViewLeft = 40173;
inline constexpr int kViewRight = 40174;
inline constexpr int kViewTop = 40175;
inline constexpr int kViewBottom = 40176;
inline constexpr int kViewIsometric = 40177;
inline constexpr int kLevelHorizon = 40178;
inline constexpr int kExit = 57665;
// The items of the recent-files submenu: the newest file first.
inline constexpr int kRecentFileFirst = 40201;
inline constexpr int kRecentFileCount = 8;

}  // namespace cmd

}  // namespace interaction
