object Form4: TForm4
  Left = 423
  Top = 192
  BorderStyle = bsDialog
  Caption = 'Обзор компьютеров'
  ClientHeight = 283
  ClientWidth = 258
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  object BitBtn1: TBitBtn
    Left = 96
    Top = 255
    Width = 75
    Height = 25
    TabOrder = 0
    OnClick = BitBtn1Click
    Kind = bkOK
  end
  object BitBtn2: TBitBtn
    Left = 180
    Top = 255
    Width = 75
    Height = 25
    TabOrder = 1
    OnClick = BitBtn2Click
    Kind = bkCancel
  end
  object ShellTreeView1: TShellTreeView
    Left = 0
    Top = 0
    Width = 258
    Height = 249
    ObjectTypes = [otFolders]
    Root = 'rfDesktop'
    UseShellImages = True
    Align = alTop
    AutoRefresh = False
    Indent = 19
    ParentColor = False
    RightClickSelect = True
    ShowRoot = False
    TabOrder = 2
  end
end
