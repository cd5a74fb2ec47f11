// The ids of the text table by name. Every caption, message and log line is
// fetched through these names; DefStrings holds their English texts.
#pragma once

#include <cstdint>

namespace zp {

enum TTextId : int32_t {
  // Buttons and the pages' captions
  idNext = 1,
  idPrev = 2,
  idCancel = 3,
  idInfoBody = 6,
  idInfoTitle = 7,
  idInfoSubtitle = 8,
  idLicenseBody = 15,
  idLicenseTitle = 16,
  idLicenseSubtitle = 17,
  idAccept = 18,
  idNotAccept = 19,
  idFolderBody = 20,
  idAddFolder = 21,
  idFolderTitle = 22,
  idFolderSubtitle = 23,
  idReadyBody = 24,
  idReadyTitle = 25,
  idReadySubtitle = 26,
  idProgressBody = 27,
  idProgressTitle = 28,
  idProgressSubtitle = 29,
  idNewsBody = 30,
  idNewsTitle = 31,
  idNewsSubtitle = 32,
  idFinishTitle = 33,
  idRunTerminal = 35,

  // Install wizard: messages, summary, welcome and finish
  idTerminalRunning = 102,
  idFinish = 104,
  idNoTerminalFound = 105,
  idSelectFolder = 106,
  idSummaryProgram = 107,
  idSummaryBuild = 108,
  idSummaryRelease = 109,
  idSummaryTargets = 111,
  idSummaryProgramFolder = 112,
  idSummaryStartMenu = 113,
  idCannotReadInstaller = 114,
  idInstallCaption = 115,
  idWelcomeTitle = 116,
  idWelcomeText = 117,   // markup
  idFinishText = 118,

  // Uninstall wizard
  idUninstallCaption = 201,
  idUninstallWelcomeTitle = 202,
  idUninstallWelcomeText = 203,   // markup
  idUninstallFinishTitle = 204,
  idUninstallFinishText = 205,
  idUninstallProgressTitle = 206,
  idUninstallProgressSubtitle = 207,
  idUninstallProgressBody = 208,
  idCannotReadUninstaller = 209,

  // Install run log
  idCopyingFile = 301,
  idCreatingShortcut = 302,
  idCreatingUninstaller = 303,
  idRegisteringUninstaller = 304,
  idExecuting = 305,
  idMissingProgram = 306,
  idCannotOverwrite = 307,
  idSkippingNewer = 308,
  idTerminalSettings = 309,
  idInstallDone = 310,

  // Uninstall run log
  idDeleteFile = 401,
  idCannotDelete = 402,
  idRemoveFolder = 403,
  idUnregistering = 404,
  idUninstallDone = 405,

  // Ready page, added later
  idSummaryDataFolder = 501,  // before the data folder under each terminal
};

}  // namespace zp
