OziExplorer Track Point File Version 2.1
WGS 84
Altitude is in Feet
Reserved 3
0,2,255,walk,1,0,2,8421376,0
3
  47.466222,   3.747318,0, 1258.8,39307.3279977, 13-aug-07, 07:52:19
  47.466150,   3.747233,0, 1236.5,39307.3281134, 13-aug-07, 07:52:28
100,370
