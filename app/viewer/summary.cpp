#include "summary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "app/shared/inverter_window_texts.h"

namespace voltrigg::viewer {

QString ShownName(const std::string& path) { return DecodeBytes(std::filesystem::path(path).filename().string()); }

SummaryPanel::SummaryPanel(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  title_ = new QLabel;
  QFont big = ViewerFont();
  big.setPixelSize(16);
  big.setBold(true);
  title_->setFont(big);
  title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(title_);
  list_label_ = new QLabel;
  list_label_->setWordWrap(true);
  list_label_->setTextFormat(Qt::PlainText);
  layout->addWidget(list_label_);

  figures_ = new QTableWidget(0, 6);
  figures_->setHorizontalHeaderLabels({QStringLiteral("区分"), QStringLiteral("数値"), QStringLiteral("Pmax・Pmp [W]"),
                                       QStringLiteral("Vpm・Vmp [V]"), QStringLiteral("Ipm・Imp [A]"),
                                       QStringLiteral("ミスマッチ損失 [%]")});
  figures_->verticalHeader()->hide();
  figures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  figures_->setSelectionBehavior(QAbstractItemView::SelectRows);
  figures_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  figures_->horizontalHeader()->setStretchLastSection(false);
  figures_->verticalHeader()->setDefaultSectionSize(22);
  layout->addWidget(figures_);

  QFont bold = ViewerFont();
  bold.setBold(true);
  for (QLabel** label : {&verdict_, &window_verdict_}) {
    *label = new QLabel;
    (*label)->setWordWrap(true);
    (*label)->setTextFormat(Qt::PlainText);
    (*label)->setFont(bold);
    layout->addWidget(*label);
  }

  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(QStringLiteral("表示する配線:")));
  wiring_box_ = new QComboBox;
  wiring_box_->addItem(WiringName(ShownWiring::Result));
  wiring_box_->addItem(WiringName(ShownWiring::Optimized));
  controls->addWidget(wiring_box_);
  controls->addSpacing(20);
  controls->addWidget(new QLabel(QStringLiteral("色分け:")));
  colour_box_ = new QComboBox;
  colour_box_->addItem(QStringLiteral("Ipm のストリング平均からの偏差 [%]"));
  colour_box_->addItem(QStringLiteral("Vpm のストリング平均からの偏差 [%]"));
  controls->addWidget(colour_box_);
  controls->addSpacing(20);
  fit_box_ = new QCheckBox(QStringLiteral("アレイ図を幅に合わせる"));
  controls->addWidget(fit_box_);
  controls->addStretch(1);
  layout->addLayout(controls);
  connect(fit_box_, &QCheckBox::toggled, this, &SummaryPanel::FitChosen);
  connect(wiring_box_, &QComboBox::activated, this,
          [this](int i) { emit WiringChosen(i == 1 ? ShownWiring::Optimized : ShownWiring::Result); });
  connect(colour_box_, &QComboBox::activated, this,
          [this](int i) { emit ColourChosen(i == 1 ? ColourBy::Vpm : ColourBy::Ipm); });
}

void SummaryPanel::ShowDocument(const Document* d) {
  if (d == nullptr) {
    title_->setText(QStringLiteral("結果ファイルが開かれていません"));
    list_label_->clear();
    verdict_->clear();
    window_verdict_->clear();
    figures_->setRowCount(0);
    wiring_box_->setEnabled(false);
    return;
  }
  title_->setText(QStringLiteral("%1    %2    入力ファイル: %3")
                      .arg(ShownName(d->result_path), ShapeText(*d), DecodeBytes(d->result.InputName)));
  QString note = d->list_note;
  if (d->list_state != ListState::Matches) note += QStringLiteral("。結果ファイルの値だけを表示しています。");
  for (const QString& problem : d->list_problems) note += QStringLiteral("\n・") + problem;
  if (d->list_state == ListState::Matches && !d->assessment_note.isEmpty())
    note += QStringLiteral("\n・") + d->assessment_note;
  for (const QString& warning : d->list_warnings) note += QStringLiteral("\n・") + warning;
  list_label_->setText(note);
  list_label_->setStyleSheet(d->list_state == ListState::Matches && d->assessment_note.isEmpty() &&
                                     d->list_warnings.empty()
                                 ? QString()
                                 : QStringLiteral("color: #a04000;"));

  const std::vector<FigureRow> rows = FigureRowsJa(*d);
  figures_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const FigureRow& f = rows[static_cast<std::size_t>(r)];
    const std::string* cells[] = {&f.group, &f.name, &f.power_w, &f.voltage_v, &f.current_a, &f.loss_pct};
    for (int c = 0; c < 6; ++c) {
      auto* item = new QTableWidgetItem(Q(*cells[c]));
      item->setTextAlignment(c < 2 ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter));
      figures_->setItem(r, c, item);
    }
  }
  figures_->setFixedHeight(figures_->horizontalHeader()->height() + 22 * static_cast<int>(rows.size()) + 4);
  const bool optimized = d->assessment && d->assessment->complete;
  wiring_box_->setEnabled(optimized);
  wiring_box_->setToolTip(optimized       ? QString()
                          : d->assessment ? QStringLiteral("最適化した配線を計算しています")
                                          : QStringLiteral("最適化した配線には一致するモジュールリストが必要です"));
}

void SummaryPanel::ShowPlan(const Document* doc, const PlanView& plan) {
  if (doc != nullptr) {
    bool bad = false;
    verdict_->setText(VoltageVerdict(*doc, plan, &bad));
    verdict_->setStyleSheet(
        bad ? QStringLiteral("color: #c80000;")
            : (plan.max_voc_cold_v ? QStringLiteral("color: #006e28;") : QStringLiteral("color: #606060;")));
  }
  if (doc != nullptr && doc->assessment) {
    const InverterWindow& w = doc->assessment->core.inverter_window;
    window_verdict_->setText(Q(InverterWindowVerdictLineJa(w)));
    window_verdict_->setStyleSheet(w.ok ? QStringLiteral("color: #006e28;") : QStringLiteral("color: #c80000;"));
  } else {
    window_verdict_->clear();
  }
}

void SummaryPanel::ShowChoice(ShownWiring wiring, ColourBy colour_by) {
  wiring_box_->setCurrentIndex(wiring == ShownWiring::Optimized ? 1 : 0);
  colour_box_->setCurrentIndex(colour_by == ColourBy::Vpm ? 1 : 0);
}

}  // namespace voltrigg::viewer
