#pragma once
// The top of the window: the result's name and shape, the sentence about its
// module list with the list's problems and warnings, the figures table, the
// voltage and inverter window verdicts, and the choice of wiring, colouring
// and fit.
#include <QWidget>

#include "document.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QTableWidget;

namespace voltrigg::viewer {

class SummaryPanel : public QWidget {
  Q_OBJECT
 public:
  explicit SummaryPanel(QWidget* parent = nullptr);

  // The result's texts; `doc` may be null (nothing open).
  void ShowDocument(const Document* doc);
  // The verdicts of the plan shown (the inverter window's is of the result's wiring).
  void ShowPlan(const Document* doc, const PlanView& plan);
  void ShowChoice(ShownWiring wiring, ColourBy colour_by);

  QTableWidget* figures_table() const { return figures_; }
  QLabel* verdict_label() const { return verdict_; }
  QLabel* window_verdict_label() const { return window_verdict_; }
  QLabel* list_label() const { return list_label_; }
  QCheckBox* fit_box() const { return fit_box_; }

 signals:
  void WiringChosen(ShownWiring wiring);
  void ColourChosen(ColourBy colour_by);
  void FitChosen(bool fit);

 private:
  QLabel* title_ = nullptr;
  QLabel* list_label_ = nullptr;
  QTableWidget* figures_ = nullptr;
  QLabel* verdict_ = nullptr;
  QLabel* window_verdict_ = nullptr;
  QComboBox* wiring_box_ = nullptr;
  QComboBox* colour_box_ = nullptr;
  QCheckBox* fit_box_ = nullptr;
};

// The result file's name as shown.
QString ShownName(const std::string& path);

}  // namespace voltrigg::viewer
