#include "palm/palm_dialog.h"

#include "palm/palm_files.h"
#include "records/counters.h"

std::string& PalmDialogCaption(std::string& out, const std::string& main_title,
                               const std::string& company_code) {
  out.assign(main_title.substr(0, kPalmCaptionTitleMax));
  out.append(" - ");
  out.append(company_code);
  return out;
}

std::string& ChooserStartFolder(std::string& folder) {
  if (PlatFolderExists(folder)) return folder;
  std::size_t cut = folder.rfind('\\');
  if (cut != std::string::npos) {
    folder.resize(cut);
    if (!folder.empty() && PlatFolderExists(folder)) return folder;
  }
  return folder.assign("C:\\");
}

int AcceptChosenFolder(PlatWindow owner, const std::string& chosen_path, std::string& folder) {
  std::string chosen = chosen_path;
  std::size_t cut = chosen.rfind('\\');
  if (cut != std::string::npos) chosen.resize(cut);
  if ((int)chosen.size() > kPalmFolderMax) {
    PlatShowMessage(owner, kPalmPathTooLong, kPalmChooserCaption, PlatIcon::kError);
    return 0;
  }
  folder = chosen;
  std::string saved = chosen;
  SavedFieldValue(saved, "", "", kPalmSavedFolderKey, kSavedValueSaveFolder);
  return 1;
}
