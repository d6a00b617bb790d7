#pragma once
// The program's two windows made as start-up makes them, a scratch tree of replays, and every
// message box answered and recorded.

#include "app/BackgroundJob.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "support/ScratchTree.h"

#include "gl/glBitBtn.h"
#include "platform/shellns/Wide.h"
#include "toolkit/Application.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/StdCtrls.h"
#include "support/MessageBoxRecorder.h"
#include "support/ProblemsRecorder.h"

#include <gtest/gtest.h>

#include <string>

inline constexpr std::size_t kRecord = 256;
inline const QString kTitle = QStringLiteral("Программа для удаления одинаковых реплеев");

class AppWindows : public testing::Test {
protected:
    void SetUp() override
    {
        Application->SetTitle(QStringLiteral("Dupsweep"));
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        Form1->SetProblemsPresenter(problems.Presenter());
    }

    void TearDown() override
    {
        delete Form2;
        delete Form1;
    }

    // Types folder into the folder field and clicks the find button.
    static void Find(const std::string& folder)
    {
        Form1->Edit1->SetText(shellns::PathToText(folder));
        Form1->glBitBtn1->Click();
    }

    static void DeleteIdentical() { Form1->glBitBtn3->Click(); }

    // One column of the list, top to bottom.
    static QStringList Column(int column)
    {
        QStringList cells;
        for (int row = 0; row < Form1->ListView1->RowCount(); ++row)
            cells << Form1->ListView1->CellText(row, column);
        return cells;
    }

    static QString Shown(const std::string& path) { return shellns::PathToText(path); }

    // A replay of records whole records whose fingerprints are first and second.
    std::string Replay(std::string_view relative, std::size_t records, std::string_view first,
                       std::string_view second, unsigned seed = 0)
    {
        return tree.WriteFile(relative, testsupport::MakeReplay(records * kRecord, first, second, {}, seed));
    }

    TMessageBoxRecorder boxes{*Application};
    testsupport::ProblemsRecorder problems;
    testsupport::ScratchTree tree;
};
