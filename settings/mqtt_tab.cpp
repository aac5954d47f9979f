#include "settings/mqtt_tab.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qvr {

namespace {

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

std::string Std(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

} // namespace

TMqttTab::TMqttTab(std::string iniPath, QWidget* parent)
    : QWidget(parent), iniPath_(std::move(iniPath)) {
    setObjectName("TabMqtt");
    auto* column = new QVBoxLayout(this);
    CBMqttEnabled =
        Named(new QCheckBox(tr("記録したデータを MQTT ブローカーへ送る"), this), "CBMqttEnabled");
    column->addWidget(CBMqttEnabled);
    auto* form = new QFormLayout;
    EMqttUrl = Named(new QLineEdit(this), "EMqttUrl");
    EMqttUrl->setPlaceholderText(QStringLiteral("mqtt://host:1883"));
    EMqttUser = Named(new QLineEdit(this), "EMqttUser");
    EMqttPassword = Named(new QLineEdit(this), "EMqttPassword");
    EMqttPassword->setEchoMode(QLineEdit::Password);
    EMqttCaFile = Named(new QLineEdit(this), "EMqttCaFile");
    EMqttPrefix = Named(new QLineEdit(this), "EMqttPrefix");
    EMqttPrefix->setPlaceholderText(tr("qvr/<シリアル番号>"));
    SEMqttQueue = Named(new QSpinBox(this), "SEMqttQueue");
    SEMqttQueue->setRange(1, 100000);
    SEMqttQueue->setSuffix(QStringLiteral(" MB"));
    form->addRow(tr("ブローカー URL"), EMqttUrl);
    form->addRow(tr("ユーザー名"), EMqttUser);
    form->addRow(tr("パスワード"), EMqttPassword);
    form->addRow(tr("CA 証明書 (mqtts://)"), EMqttCaFile);
    form->addRow(tr("トピックの接頭辞"), EMqttPrefix);
    form->addRow(tr("接続断の間の保存上限"), SEMqttQueue);
    column->addLayout(form);
    auto* note = new QLabel(tr("変更は次回の起動から有効になります。"), this);
    note->setWordWrap(true);
    column->addWidget(note);
    BBMqttSave = Named(new QPushButton(tr("保存"), this), "BBMqttSave");
    BBMqttSave->setAutoDefault(false);
    column->addWidget(BBMqttSave, 0, Qt::AlignLeft);
    LMqttState = Named(new QLabel(this), "LMqttState");
    LMqttState->setWordWrap(true);
    column->addWidget(LMqttState);
    column->addStretch(1);
    connect(BBMqttSave, &QPushButton::clicked, this, &TMqttTab::BBMqttSaveClick);
    LoadFields();
}

void TMqttTab::LoadFields() {
    const MqttSettings s = LoadMqttSettings(iniPath_);
    CBMqttEnabled->setChecked(s.Enabled);
    EMqttUrl->setText(QString::fromStdString(s.Url));
    EMqttUser->setText(QString::fromStdString(s.User));
    EMqttPassword->setText(QString::fromStdString(s.Password));
    EMqttCaFile->setText(QString::fromStdString(s.CaFile));
    EMqttPrefix->setText(QString::fromStdString(s.Prefix));
    SEMqttQueue->setValue(s.QueueMegabytes);
}

void TMqttTab::BBMqttSaveClick() {
    MqttSettings s;
    s.Enabled = CBMqttEnabled->isChecked();
    s.Url = Std(EMqttUrl);
    s.User = Std(EMqttUser);
    s.Password = EMqttPassword->text().toStdString(); // as typed: blanks may belong to it
    s.CaFile = Std(EMqttCaFile);
    s.Prefix = Std(EMqttPrefix);
    s.QueueMegabytes = SEMqttQueue->value();
    std::string error;
    if (s.Enabled && !ParseMqttUrl(s.Url, error)) {
        LMqttState->setText(
            tr("保存しませんでした: URL が使えません (%1)").arg(QString::fromStdString(error)));
        return;
    }
    if (!SaveMqttSettings(iniPath_, s)) {
        LMqttState->setText(tr("保存できませんでした: %1").arg(QString::fromStdString(iniPath_)));
        return;
    }
    LMqttState->setText(tr("保存しました。次回の起動から有効です。"));
}

} // namespace qvr
