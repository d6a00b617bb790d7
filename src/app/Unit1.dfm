object Form1: TForm1
  Left = 206
  Top = 131
  ActiveControl = ListView1
  BorderStyle = bsDialog
  Caption = 'Программа для удаления одинаковых реплеев'
  ClientHeight = 445
  ClientWidth = 764
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  object Edit1: TEdit
    Left = 2
    Top = 420
    Width = 279
    Height = 21
    Hint = 'Replays directory'
    ParentShowHint = False
    ShowHint = True
    TabOrder = 0
    Text = 'd:\temp'
  end
  object ListView1: TListView
    Left = 0
    Top = 0
    Width = 764
    Height = 417
    Align = alTop
    Columns = <
      item
        Caption = 'Name'
        Width = 250
      end
      item
        Caption = 'Size'
        Width = 80
      end
      item
        Caption = 'Path'
        Width = 400
      end>
    ColumnClick = False
    OwnerData = True
    ReadOnly = True
    RowSelect = True
    TabOrder = 1
    ViewStyle = vsReport
  end
  object ListBox1: TListBox
    Left = 8
    Top = 448
    Width = 777
    Height = 5
    ItemHeight = 13
    TabOrder = 2
  end
  object ListBox2: TListBox
    Left = 8
    Top = 460
    Width = 765
    Height = 29
    ItemHeight = 13
    TabOrder = 3
    Visible = False
  end
  object glHint1: TglHint
    Active = False
    ShowHint = True
  end
  object glBitBtn1: TglBitBtn
    Left = 320
    Top = 420
    Width = 125
    Height = 21
    Caption = 'Найти реплеи'
    TabOrder = 4
    OnClick = glBitBtn1Click
  end
  object glBitBtn2: TglBitBtn
    Left = 285
    Top = 420
    Width = 29
    Height = 21
    Caption = '...'
    TabOrder = 5
    OnClick = glBitBtn2Click
  end
  object glBitBtn3: TglBitBtn
    Left = 448
    Top = 420
    Width = 185
    Height = 21
    Caption = 'Удалить одинаковые реплеи'
    TabOrder = 6
    OnClick = glBitBtn3Click
  end
  object glBitBtn4: TglBitBtn
    Left = 636
    Top = 420
    Width = 125
    Height = 21
    Caption = 'О программе'
    TabOrder = 7
    OnClick = glBitBtn4Click
  end
end
