[Player]
Name=Mira
