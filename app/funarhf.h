// TFormUnarh, the archive chooser of an extraction: the job's rotating
// generations in one grid and its unique saves in the other, each row a file
// name and its date. OK names the archive of the selected row of the grid
// clicked last; Close leaves no archive chosen. What the grids hold comes
// from ListArchives; the window only shows it.
#pragma once

#include <QString>

#include "Extraction.h"
#include "Job.h"
#include "OrnForma.h"

class TOrnBitBtn;
class TOrnLabel;
class TOrnStringGrid;

class TFormUnarh : public TOrnForm {
  Q_OBJECT

 public:
  // `filesCaption` heads the file name column: the main window's group
  // caption ("Files", as translated).
  TFormUnarh(const orn::Job& job, const QString& filesCaption = "Files", QWidget* parent = nullptr);

  // Fills both grids and the header label (each time the window is shown).
  void Fill(const orn::ArchiveChoices& choices);

  bool ArchiveChosen() const { return archiveChosen_; }
  // The full path of the chosen archive; empty unless ArchiveChosen().
  const std::string& ChosenArchive() const { return chosenArchive_; }

  TOrnStringGrid* SimGrid() const { return simgrid_; }
  TOrnStringGrid* AttGrid() const { return attgrid_; }

  // The chooser's event handlers, named after their controls.
  void GridClick(TOrnStringGrid* grid);
  void okbutlisClick();
  void closebuttonClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillGrid(TOrnStringGrid* grid, const std::vector<orn::ArchiveRow>& rows);

  const orn::Job& job_;
  QString filesCaption_;
  TOrnLabel* arlabel_;
  TOrnLabel* lbltime_;
  TOrnStringGrid* simgrid_;
  TOrnStringGrid* attgrid_;
  TOrnBitBtn* okbutlis_;
  TOrnBitBtn* closebutton_;
  TOrnStringGrid* lastGrid_;  // the unique grid until a grid is clicked
  bool archiveChosen_ = false;
  std::string chosenArchive_;
};
