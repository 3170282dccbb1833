  [ MainScene ] 
 Count = 2 
; comment
[MainScene1]
Type=
Name=
[MainScene2]
Name=only name
noequals
=
[MainScene]
Count=9
