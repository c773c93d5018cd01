#include "pages.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/shared/measurement_texts.h"
#include "array_picture.h"
#include "wiring_table.h"

namespace voltrigg::viewer {

ArrayPage::ArrayPage(QWidget* parent) : QScrollArea(parent) {
  picture_ = new ArrayPictureWidget;
  setWidget(picture_);
  setWidgetResizable(false);
  setBackgroundRole(QPalette::Base);
  // The labels and row-end figures are painted at the shown edges: repaint on every scroll.
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, picture_, qOverload<>(&QWidget::update));
}

void ArrayPage::SetPlan(const PlanView* plan, double tmin_c) { picture_->SetPlan(plan, tmin_c); }

WiringTablePage::WiringTablePage(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("シリアル番号で検索:")));
  search_ = new QLineEdit;
  search_->setPlaceholderText(QStringLiteral("シリアル番号を入力またはスキャン"));
  search_->setClearButtonEnabled(true);
  row->addWidget(search_, 1);
  auto* copy = new QPushButton(QStringLiteral("クリップボードにコピー"));
  copy->setToolTip(QStringLiteral("選択した行 (選択がなければ表示中の全行) をタブ区切りでコピーします"));
  row->addWidget(copy);
  layout->addLayout(row);
  search_label_ = new QLabel;
  search_label_->setTextFormat(Qt::PlainText);
  QFont bold = ViewerFont();
  bold.setBold(true);
  bold.setPixelSize(15);
  search_label_->setFont(bold);
  layout->addWidget(search_label_);

  model_ = new WiringTableModel(this);
  filter_ = new SerialFilter(this);
  filter_->setSourceModel(model_);
  table_ = new QTableView;
  table_->setModel(filter_);
  table_->setSortingEnabled(true);
  table_->sortByColumn(WiringTableModel::kString, Qt::AscendingOrder);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setDefaultSectionSize(22);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table_->horizontalHeader()->setSectionResizeMode(WiringTableModel::kSerial, QHeaderView::Stretch);
  layout->addWidget(table_, 1);

  connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) { emit Searched(Search(text)); });
  connect(search_, &QLineEdit::returnPressed, this, [this] { search_->selectAll(); });  // ready for the next scan
  connect(copy, &QPushButton::clicked, this, [this] { emit Copied(CopyRows()); });
  auto* shortcut = new QShortcut(QKeySequence::Copy, table_);
  connect(shortcut, &QShortcut::activated, this, [this] { emit Copied(CopyRows()); });
}

void WiringTablePage::SetPlan(const PlanView* plan) {
  plan_ = plan;
  model_->SetPlan(plan);
  table_->resizeColumnsToContents();
}

int WiringTablePage::Search(const QString& text) {
  if (search_->text() != text) {
    const QSignalBlocker quiet(search_);
    search_->setText(text);
  }
  filter_->SetText(text);
  const QString wanted = text.trimmed();
  if (wanted.isEmpty()) {
    search_label_->clear();
    table_->clearSelection();
    return -1;
  }
  if (filter_->rowCount() == 0 || plan_ == nullptr) {
    search_label_->setText(QStringLiteral("シリアル番号「%1」のモジュールはこの配線にありません").arg(wanted));
    search_label_->setStyleSheet(QStringLiteral("color: #c80000;"));
    return -1;
  }
  int row = 0;  // an exact match first, else the first row found
  for (int r = 0; r < filter_->rowCount(); ++r) {
    if (filter_->index(r, WiringTableModel::kSerial).data().toString().compare(wanted, Qt::CaseInsensitive) == 0) {
      row = r;
      break;
    }
  }
  const int cell = filter_->mapToSource(filter_->index(row, 0)).row();
  const ModuleCell& c = plan_->cells[static_cast<std::size_t>(cell)];
  QString where = QStringLiteral("%1 → ストリング %2 の %3 番目 (モジュール番号 %4)")
                      .arg(Q(c.serial))
                      .arg(c.string_no)
                      .arg(c.position)
                      .arg(QString::number(static_cast<double>(c.moduleNo), 'g', 9));
  if (filter_->rowCount() > 1) where += QStringLiteral("    ほかに %1 件").arg(filter_->rowCount() - 1);
  search_label_->setText(where);
  search_label_->setStyleSheet(QString());
  table_->selectRow(row);
  table_->scrollTo(filter_->index(row, 0));
  return cell;
}

QString WiringTablePage::search_text() const { return search_->text(); }

int WiringTablePage::CopyRows() {
  QList<int> rows;
  for (const QModelIndex& i : table_->selectionModel()->selectedRows()) rows << i.row();
  std::sort(rows.begin(), rows.end());
  QApplication::clipboard()->setText(RowsAsText(*filter_, rows));
  return rows.isEmpty() ? filter_->rowCount() : static_cast<int>(rows.size());
}

CommissionPage::CommissionPage(QWidget* parent) : QStackedWidget(parent) {
  note_ = new QLabel;
  note_->setAlignment(Qt::AlignCenter);
  note_->setWordWrap(true);
  note_->setTextFormat(Qt::PlainText);
  auto* tab = new QWidget;
  auto* layout = new QVBoxLayout(tab);
  heading_ = new QLabel;
  heading_->setWordWrap(true);
  heading_->setTextFormat(Qt::PlainText);
  heading_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary_ = new QLabel;
  summary_->setWordWrap(true);
  summary_->setTextFormat(Qt::PlainText);
  QFont summary_font = ViewerFont();
  summary_font.setBold(true);
  summary_font.setPixelSize(15);
  summary_->setFont(summary_font);
  items_ = new QLabel;
  items_->setWordWrap(true);
  items_->setTextFormat(Qt::PlainText);
  items_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  table_ = new QTableWidget(0, kCommissionColumns + static_cast<int>(kFurtherItems.size()));
  QStringList heads;
  for (int c = 0; c < kCommissionColumns; ++c) heads << Q(CommissionColumnNameJa(c));
  for (const TestItem item : kFurtherItems) heads << Q(TestItemColumnNameJa(item));
  // Units on a second line: the headings, not the figures, set the columns'
  // widths, and seventeen of them must leave the findings room.
  for (QString& head : heads) head.replace(QStringLiteral(" ["), QStringLiteral("\n["));
  table_->setHorizontalHeaderLabels(heads);
  // The further items after the Isc deviation, before the verdict.
  for (std::size_t k = 0; k < kFurtherItems.size(); ++k) {
    QHeaderView* header = table_->horizontalHeader();
    header->moveSection(header->visualIndex(FurtherColumn(k)), header->visualIndex(kColVerdict));
  }
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->setDefaultSectionSize(22);
  // The findings take what is left of the width, wrapped, however long they are.
  table_->setWordWrap(true);
  table_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(heading_);
  layout->addWidget(summary_);
  layout->addWidget(table_, 1);
  layout->addWidget(items_);
  addWidget(note_);
  addWidget(tab);
}

void CommissionPage::Show(const Document* doc, const std::optional<CommissionCheck>& check) {
  if (!check) {
    QString note = QStringLiteral(
        "ファイル → 試運転検査の測定ファイルを開く… で、各ストリングの測定した開放電圧 Voc と短絡電流 Isc "
        "を、そのストリングのモジュールから期待される値と比べます。\n測定ファイル (列 string, voc_v, isc_a, "
        "irradiance_w_m2, module_temperature_c) はウィンドウにドロップしても開けます。測定用紙は ファイル → "
        "測定用紙を印刷 で作れます。");
    if (doc == nullptr) {
      note = QStringLiteral("結果ファイルを開いてください。\n") + note;
    } else if (doc->list_state != ListState::Matches) {
      note +=
          QStringLiteral("\n\n試運転検査には、結果ファイルと一致し Voc と Isc を持つモジュールリストが必要です。\n") +
          doc->list_note;
    }
    note_->setText(note);
    table_->setRowCount(0);
    summary_->clear();
    items_->clear();
    setCurrentWidget(note_);
    return;
  }
  const Commissioning& c = check->check;
  const bool further = ShowsFurtherItems(c);
  QString conditions = Q(CommissionConditionsTextJa(c.conditions));
  if (further) conditions += QStringLiteral("\n") + Q(InsulationLimitsTextJa(c));
  heading_->setText(QStringLiteral("測定ファイル: %1    モジュールリスト: %2\n%3\n"
                                   "不合格・未測定のストリングはアレイ図 (結果ファイルの配線) に赤枠で示します")
                        .arg(DecodeBytes(check->measurement_path), DecodeBytes(check->list_path), conditions));
  QStringList item_lines{QStringLiteral("検査項目:")};
  for (const std::string& line : TestItemLinesJa(c)) item_lines << QStringLiteral("  ") + Q(line);
  items_->setText(item_lines.join(QLatin1Char('\n')));
  summary_->setText(CommissionSummary(c));
  summary_->setStyleSheet(c.ok ? QStringLiteral("color: #006e28;") : QStringLiteral("color: #c80000;"));
  const std::vector<CommissionRow> rows = CommissionRows(c);
  table_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const CommissionRow& row = rows[static_cast<std::size_t>(r)];
    for (int col = 0; col < kCommissionColumns; ++col) {
      const QString text = Q(col == kColFindings ? FindingsWithNote(row) : row.cells[col]);
      auto* item = new QTableWidgetItem(text);
      const bool left = col == kColVerdict || col == kColFindings;
      item->setTextAlignment(left ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter));
      if (col == kColVerdict) {
        item->setForeground(ToQColor(VerdictColour(row.kind)));
        item->setBackground(ToQColor(VerdictBackground(row.kind)));
        QFont bold = table_->font();
        bold.setBold(true);
        item->setFont(bold);
      }
      if (col == kColFindings) item->setToolTip(text);
      table_->setItem(r, col, item);
    }
    for (std::size_t k = 0; k < kFurtherItems.size(); ++k) {
      const ItemCell& cell = row.items[static_cast<std::size_t>(kFurtherItems[k])];
      auto* item = new QTableWidgetItem(Q(cell.text));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      item->setForeground(ToQColor(ItemStatusColour(cell.status)));
      item->setBackground(ToQColor(ItemStatusBackground(cell.status)));
      item->setToolTip(Q(ItemStatusText(cell.status, Language::Japanese)));
      table_->setItem(r, FurtherColumn(k), item);
    }
  }
  for (std::size_t k = 0; k < kFurtherItems.size(); ++k) table_->setColumnHidden(FurtherColumn(k), !further);
  table_->resizeColumnsToContents();
  // The findings take what is left, but never so little that a row grows
  // tall with them: the table scrolls sideways first.
  QHeaderView* header = table_->horizontalHeader();
  int others = 0;
  for (int col = 0; col < table_->columnCount(); ++col) {
    if (col != kColFindings && !table_->isColumnHidden(col)) others += header->sectionSize(col);
  }
  constexpr int kLeastFindingsWidth = 280;  // [px]
  if (table_->viewport()->width() - others >= kLeastFindingsWidth) {
    header->setSectionResizeMode(kColFindings, QHeaderView::Stretch);
  } else {
    header->setSectionResizeMode(kColFindings, QHeaderView::Interactive);
    header->resizeSection(kColFindings, kLeastFindingsWidth);
  }
  table_->resizeRowsToContents();
  setCurrentIndex(1);
}

}  // namespace voltrigg::viewer
