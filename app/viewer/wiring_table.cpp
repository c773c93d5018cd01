#include "wiring_table.h"

#include <QBrush>

namespace voltrigg::viewer {

void WiringTableModel::SetPlan(const PlanView* plan) {
  beginResetModel();
  plan_ = plan;
  endResetModel();
}

int WiringTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || plan_ == nullptr ? 0 : static_cast<int>(plan_->cells.size());
}

int WiringTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant WiringTableModel::data(const QModelIndex& index, int role) const {
  if (plan_ == nullptr || !index.isValid() || index.row() >= static_cast<int>(plan_->cells.size())) return {};
  const ModuleCell& c = plan_->cells[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  if (role == Qt::DisplayRole) {
    switch (column) {
      case kString:
        return c.string_no;
      case kPosition:
        return c.position;
      case kModuleNo:
        return QString::number(static_cast<double>(c.moduleNo), 'g', 9);
      case kSerial:
        return Q(c.serial);
      case kVpm:
        return Fixed(c.vpm_v, 2);
      case kIpm:
        return Fixed(c.ipm_a, 3);
      case kDeviation:
        return (c.deviation_pct >= 0 ? QStringLiteral("+") : QString()) + Fixed(c.deviation_pct, 2);
      default:
        return {};
    }
  }
  if (role == kSortRole) {
    switch (column) {
      case kString:
        return c.string_no * 1000 + c.position;  // ties keep string order
      case kPosition:
        return c.position * 1000 + c.string_no;
      case kModuleNo:
        return static_cast<double>(c.moduleNo);
      case kSerial:
        return Q(c.serial);
      case kVpm:
        return c.vpm_v;
      case kIpm:
        return c.ipm_a;
      case kDeviation:
        return c.deviation_pct;
      default:
        return {};
    }
  }
  if (role == Qt::TextAlignmentRole) {
    return column == kSerial ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (role == Qt::BackgroundRole && column == kDeviation) return QBrush(ToQColor(c.colour));
  if (role == Qt::ForegroundRole && column == kString &&
      plan_->strings[static_cast<std::size_t>(c.string_no - 1)].over_limit) {
    return QBrush(QColor(200, 0, 0));
  }
  return {};
}

QVariant WiringTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  const QString by =
      plan_ != nullptr && plan_->colour_by == ColourBy::Vpm ? QStringLiteral("Vpm") : QStringLiteral("Ipm");
  switch (section) {
    case kString:
      return QStringLiteral("ストリング");
    case kPosition:
      return QStringLiteral("位置");
    case kModuleNo:
      return QStringLiteral("モジュール番号");
    case kSerial:
      return QStringLiteral("シリアル番号");
    case kVpm:
      return QStringLiteral("Vpm [V]");
    case kIpm:
      return QStringLiteral("Ipm [A]");
    case kDeviation:
      return QStringLiteral("%1 偏差 [%]").arg(by);
    default:
      return {};
  }
}

SerialFilter::SerialFilter(QObject* parent) : QSortFilterProxyModel(parent) {
  setSortRole(WiringTableModel::kSortRole);
}

void SerialFilter::SetText(const QString& text) {
  text_ = text.trimmed();
  invalidateFilter();
}

bool SerialFilter::filterAcceptsRow(int source_row, const QModelIndex& source_parent) const {
  if (text_.isEmpty()) return true;
  const QModelIndex serial = sourceModel()->index(source_row, WiringTableModel::kSerial, source_parent);
  return serial.data().toString().contains(text_, Qt::CaseInsensitive);
}

QString RowsAsText(const QAbstractItemModel& model, const QList<int>& rows) {
  QString out;
  const int columns = model.columnCount();
  for (int c = 0; c < columns; ++c) {
    if (c > 0) out += QLatin1Char('\t');
    out += model.headerData(c, Qt::Horizontal).toString();
  }
  out += QLatin1Char('\n');
  auto row_text = [&](int r) {
    for (int c = 0; c < columns; ++c) {
      if (c > 0) out += QLatin1Char('\t');
      // A tab or line end inside a serial number would split the row.
      QString cell = model.index(r, c).data().toString();
      cell.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
      cell.replace(QLatin1Char('\n'), QLatin1Char(' '));
      out += cell;
    }
    out += QLatin1Char('\n');
  };
  if (rows.isEmpty()) {
    for (int r = 0; r < model.rowCount(); ++r) row_text(r);
  } else {
    for (int r : rows) row_text(r);
  }
  return out;
}

}  // namespace voltrigg::viewer
