#pragma once
// The wiring table: string, position, module number, serial number, Vpm,
// Ipm and the coloured deviation, one row per module in string order.
#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include "app/shared/plan_view.h"
#include "qt_text.h"

namespace voltrigg::viewer {

class WiringTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kString, kPosition, kModuleNo, kSerial, kVpm, kIpm, kDeviation, kColumns };
  static constexpr int kSortRole = Qt::UserRole;  // numbers as numbers, serials as text

  explicit WiringTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
  void SetPlan(const PlanView* plan);
  const PlanView* plan() const { return plan_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  const PlanView* plan_ = nullptr;
};

// Finds rows by serial number: every row whose serial contains the text,
// ignoring case and blanks around it.
class SerialFilter : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  explicit SerialFilter(QObject* parent = nullptr);
  void SetText(const QString& text);

 protected:
  bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;

 private:
  QString text_;
};

// The rows of `model` (all when `rows` is empty) as tab-separated text with
// a heading line, for the clipboard; a spreadsheet takes it as a table.
QString RowsAsText(const QAbstractItemModel& model, const QList<int>& rows);

}  // namespace voltrigg::viewer
