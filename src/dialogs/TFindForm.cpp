#include "dialogs/TFindForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "batch/TBatchData.h"
#include "dialogs/TCheckList.h"

namespace tabrix {

namespace {

QCheckBox* AddCheck(QLayout* layout, const char* name, const QString& text) {
    auto* box = new QCheckBox(text);
    box->setObjectName(QString::fromLatin1(name));
    layout->addWidget(box);
    return box;
}

}  // namespace

TFindForm::TFindForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FindForm"));
    auto* fields = new QGridLayout();
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("FindEdit"));
    fields->addWidget(new QLabel(QStringLiteral("検索する文字列:"), this), 0, 0);
    fields->addWidget(text_, 0, 1);
    replaceLabel_ = new QLabel(QStringLiteral("置換後の文字列:"), this);
    replacement_ = new QLineEdit(this);
    replacement_->setObjectName(QStringLiteral("ReplaceEdit"));
    fields->addWidget(replaceLabel_, 1, 0);
    fields->addWidget(replacement_, 1, 1);

    auto* paramBox = new QGroupBox(QStringLiteral("検索するパラメータ"), this);
    auto* paramColumn = new QVBoxLayout(paramBox);
    allParams_ = AddCheck(paramColumn, "AllParamCBox", QStringLiteral("すべてのパラメータ"));
    allParams_->setChecked(true);
    params_ = new TCheckList("ParamCLBox", paramBox);
    params_->setEnabled(false);
    params_->setMinimumHeight(90);
    paramColumn->addWidget(params_);
    connect(allParams_, &QCheckBox::toggled, params_,
            [this](bool all) { params_->setEnabled(!all); });

    auto* scopeBox = new QGroupBox(QStringLiteral("範囲"), this);
    auto* scopeColumn = new QVBoxLayout(scopeBox);
    thisGroup_ = new QRadioButton(QStringLiteral("このグループ"), scopeBox);
    thisGroup_->setObjectName(QStringLiteral("ThisGroupRBtn"));
    thisGroup_->setChecked(true);
    allGroups_ = new QRadioButton(QStringLiteral("すべてのグループ"), scopeBox);
    allGroups_->setObjectName(QStringLiteral("AllGroupsRBtn"));
    scopeColumn->addWidget(thisGroup_);
    scopeColumn->addWidget(allGroups_);

    auto* optionBox = new QGroupBox(QStringLiteral("オプション"), this);
    auto* optionColumn = new QVBoxLayout(optionBox);
    foldCase_ = AddCheck(optionColumn, "CaseCBox", QStringLiteral("大文字と小文字を区別しない"));
    foldWidth_ = AddCheck(optionColumn, "WidthCBox", QStringLiteral("全角と半角を区別しない"));
    foldKana_ =
        AddCheck(optionColumn, "KanaCBox", QStringLiteral("ひらがなとカタカナを区別しない"));
    wholeValue_ = AddCheck(optionColumn, "WholeCBox", QStringLiteral("値全体が一致"));
    regex_ = AddCheck(optionColumn, "RegexCBox", QStringLiteral("正規表現"));
    optionColumn->addStretch(1);

    auto* choices = new QHBoxLayout();
    auto* scopeAndParams = new QVBoxLayout();
    scopeAndParams->addWidget(paramBox, 1);
    scopeAndParams->addWidget(scopeBox);
    choices->addLayout(scopeAndParams, 1);
    choices->addWidget(optionBox);

    auto* left = new QVBoxLayout();
    left->addLayout(fields);
    left->addLayout(choices, 1);

    buttons_ = new QWidget(this);
    auto* buttonColumn = new QVBoxLayout(buttons_);
    buttonColumn->setContentsMargins(0, 0, 0, 0);
    QPushButton* next = AddButton("FindNextBBtn", QStringLiteral("次を検索"));
    // Enter in the text field searches on, as in every find dialog.
    next->setDefault(true);
    connect(next, &QPushButton::clicked, this, [this] { emit findRequested(true); });
    connect(AddButton("FindPrevBBtn", QStringLiteral("前を検索")), &QPushButton::clicked, this,
            [this] { emit findRequested(false); });
    connect(AddButton("SelectAllBBtn", QStringLiteral("すべて選択")), &QPushButton::clicked, this,
            &TFindForm::selectAllRequested);
    replace_ = AddButton("ReplaceBBtn", QStringLiteral("置換"));
    connect(replace_, &QPushButton::clicked, this, &TFindForm::replaceRequested);
    replaceAll_ = AddButton("ReplaceAllBBtn", QStringLiteral("すべて置換"));
    connect(replaceAll_, &QPushButton::clicked, this, &TFindForm::replaceAllRequested);
    buttonColumn->addStretch(1);
    connect(AddButton("CloseBBtn", QStringLiteral("閉じる")), &QPushButton::clicked, this,
            &QDialog::reject);

    auto* body = new QHBoxLayout();
    body->addLayout(left, 1);
    body->addWidget(buttons_);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLabel"));
    // A regular expression's error can be long: it wraps rather than being cut off.
    status_->setWordWrap(true);
    status_->setMinimumHeight(status_->fontMetrics().height() * 2);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* column = new QVBoxLayout(this);
    column->addLayout(body, 1);
    column->addWidget(status_);
    SetReplaceMode(false);
}

QPushButton* TFindForm::AddButton(const char* name, const QString& text) {
    auto* button = new QPushButton(text, buttons_);
    button->setObjectName(QString::fromLatin1(name));
    // Buttons other than the default one do not take Enter away from the text field.
    button->setAutoDefault(false);
    buttons_->layout()->addWidget(button);
    return button;
}

void TFindForm::SetReplaceMode(bool replace) {
    replaceMode_ = replace;
    setWindowTitle(replace ? QStringLiteral("置換") : QStringLiteral("検索"));
    const QList<QWidget*> replaceControls{replaceLabel_, replacement_, replace_, replaceAll_};
    for (QWidget* control : replaceControls)
        control->setVisible(replace);
}

void TFindForm::SetParameterNames(const QStringList& names) {
    params_->Fill(names);
}

TElementFinder::Options TFindForm::Options() const {
    TElementFinder::Options options;
    options.text = text_->text().toStdString();
    if (replaceMode_) options.replacement = replacement_->text().toStdString();
    if (!allParams_->isChecked()) {
        const std::vector<bool> ticks = params_->Ticks();
        for (std::size_t i = 0; i < ticks.size(); ++i)
            if (ticks[i]) options.params.push_back(i);
    }
    if (foldCase_->isChecked()) options.foldFlags |= kFoldCase;
    if (foldWidth_->isChecked()) options.foldFlags |= kFoldWidth;
    if (foldKana_->isChecked()) options.foldFlags |= kFoldKana;
    options.wholeValue = wholeValue_->isChecked();
    options.regex = regex_->isChecked();
    return options;
}

bool TFindForm::AllGroups() const {
    return allGroups_->isChecked();
}

bool TFindForm::ParametersChosen() const {
    return allParams_->isChecked() || params_->AnyTicked();
}

void TFindForm::ShowStatus(const QString& text) {
    status_->setText(text);
}

QString TFindForm::Status() const {
    return status_->text();
}

void TFindForm::FocusText() {
    text_->setFocus(Qt::OtherFocusReason);
    text_->selectAll();
}

}  // namespace tabrix
