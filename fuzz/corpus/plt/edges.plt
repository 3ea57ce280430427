OziExplorer Track Point File

23
4
5
6
-100,-370
no comma
abc,def
